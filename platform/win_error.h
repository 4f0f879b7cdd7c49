#pragma once
// Windows system error codes that callers above the platform layer read.
// Both backends report these numbers (the sim backend maps POSIX errors to them).
#include <cstdint>

namespace platform {

inline constexpr uint32_t kErrorSuccess = 0;
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorPathNotFound = 3;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorNotEnoughMemory = 8;
inline constexpr uint32_t kErrorInvalidDrive = 15;
inline constexpr uint32_t kErrorSharingViolation = 32;
inline constexpr uint32_t kErrorHandleEof = 38;
inline constexpr uint32_t kErrorFileExists = 80;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorDiskFull = 112;
inline constexpr uint32_t kErrorInsufficientBuffer = 122;
inline constexpr uint32_t kErrorNegativeSeek = 131;
inline constexpr uint32_t kErrorDirNotEmpty = 145;
inline constexpr uint32_t kErrorAlreadyExists = 183;
inline constexpr uint32_t kErrorFileTooLarge = 223;
inline constexpr uint32_t kErrorMoreData = 234;
inline constexpr uint32_t kErrorWaitTimeout = 258;
inline constexpr uint32_t kErrorNoMoreItems = 259;
inline constexpr uint32_t kErrorCancelled = 1223;
inline constexpr uint32_t kErrorUserMappedFile = 1224;

// The calling thread's last error, as GetLastError/SetLastError keep it.
uint32_t GetLastErrorCode();
void SetLastErrorCode(uint32_t code);

}  // namespace platform
