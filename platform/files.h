#pragma once
// Files and folders with Windows semantics: wide paths ("C:\\x\\y"), share
// modes, positioned I/O, pre-allocation, attributes. Every failing call sets
// the thread's last error (win_error.h) and returns false / an invalid handle.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

enum FileAccess : uint32_t { kAccessRead = 1, kAccessWrite = 2, kAccessDelete = 4 };
enum FileShare : uint32_t { kShareNone = 0, kShareRead = 1, kShareWrite = 2, kShareDelete = 4 };

enum class FileDisposition {
  kCreateNew,      // fails with kErrorFileExists when the file exists
  kCreateAlways,   // creates or truncates
  kOpenExisting,   // fails with kErrorFileNotFound when missing
  kOpenAlways,     // opens or creates
  kTruncateExisting,
};

enum FileAttribute : uint32_t {
  kAttrReadOnly = 0x1,
  kAttrHidden = 0x2,
  kAttrDirectory = 0x10,
  kAttrNormal = 0x80,
};
inline constexpr uint32_t kInvalidAttributes = 0xFFFFFFFFu;

// An open file (CreateFileW). Closing happens in the destructor or Close().
class File {
 public:
  virtual ~File() = default;
  // Positioned reads and writes; `done` receives the bytes moved.
  virtual bool ReadAt(uint64_t offset, void* buffer, uint32_t size, uint32_t* done) = 0;
  virtual bool WriteAt(uint64_t offset, const void* data, uint32_t size, uint32_t* done) = 0;
  // Appends at the end of the file (the file pointer is ignored).
  virtual bool Append(const void* data, uint32_t size) = 0;
  // Sets the end of file (SetFilePointerEx + SetEndOfFile). Growing the file
  // reserves the space on the drive: kErrorDiskFull when it does not fit.
  virtual bool SetSize(uint64_t size) = 0;
  virtual bool GetSize(uint64_t* size) = 0;
  virtual bool Flush() = 0;
};

std::unique_ptr<File> OpenFile(const std::wstring& path, uint32_t access, uint32_t share,
                               FileDisposition disposition, uint32_t attributes = kAttrNormal);

uint32_t GetFileAttributesOf(const std::wstring& path);  // kInvalidAttributes when missing
bool SetFileAttributesOf(const std::wstring& path, uint32_t attributes);
bool FileExists(const std::wstring& path);       // a plain file (not a folder)
bool DirectoryExists(const std::wstring& path);
bool DeleteFileAt(const std::wstring& path);
// MoveFileExW; replaceExisting is MOVEFILE_REPLACE_EXISTING.
bool MoveFileTo(const std::wstring& from, const std::wstring& to, bool replaceExisting);
// One folder (its parent must exist); kErrorAlreadyExists when it exists.
bool CreateDirectoryAt(const std::wstring& path);
bool RemoveDirectoryAt(const std::wstring& path);

struct DirEntry {
  std::wstring name;         // file name only
  bool isDirectory = false;
  uint64_t size = 0;
  int64_t modifiedUnix = 0;  // last write time, whole seconds since 1970
};
// The entries of one folder ("." and ".." left out); false when it can not be listed.
bool ListDirectory(const std::wstring& folder, std::vector<DirEntry>* entries);
bool SetFileModifiedTime(const std::wstring& path, int64_t unixSeconds);

// Reads or writes a whole file (convenience over OpenFile). A file larger
// than `maxSize` is not read (kErrorFileTooLarge).
bool ReadWholeFile(const std::wstring& path, std::string* bytes, uint64_t maxSize = UINT64_MAX);
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);

}  // namespace platform
