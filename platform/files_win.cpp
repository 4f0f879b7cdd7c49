// Files and folders through the Win32 file API. Handles are synchronous;
// positioned I/O passes its offset in an OVERLAPPED, which makes each read or
// write one call that never races another thread over the file pointer.
#include <windows.h>

#include <algorithm>
#include <mutex>

#include "platform/files.h"
#include "platform/win/scoped_handle.h"
#include "platform/win_error.h"

namespace platform {
namespace {

// FILETIME counts 100 ns steps since 1601-01-01; Unix time starts 1970-01-01.
constexpr int64_t kUnixEpochInFileTime = 116444736000000000LL;
constexpr int64_t kFileTimePerSecond = 10000000;

// The attributes callers work with; Windows adds others (archive above all,
// on every newly written file) that mean nothing to them.
constexpr uint32_t kKnownAttributes = kAttrReadOnly | kAttrHidden | kAttrDirectory;

OVERLAPPED At(uint64_t offset) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

int64_t UnixOf(const FILETIME& time) {
  int64_t ticks = static_cast<int64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
  return (ticks - kUnixEpochInFileTime) / kFileTimePerSecond;
}

FILETIME FileTimeOf(int64_t unixSeconds) {
  uint64_t ticks = static_cast<uint64_t>(unixSeconds * kFileTimePerSecond + kUnixEpochInFileTime);
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

DWORD DesiredAccess(uint32_t access) {
  return ((access & kAccessRead) ? GENERIC_READ : 0) | ((access & kAccessWrite) ? GENERIC_WRITE : 0) |
         ((access & kAccessDelete) ? DELETE : 0);
}

DWORD CreationDisposition(FileDisposition disposition) {
  switch (disposition) {
    case FileDisposition::kCreateNew: return CREATE_NEW;
    case FileDisposition::kCreateAlways: return CREATE_ALWAYS;
    case FileDisposition::kOpenExisting: return OPEN_EXISTING;
    case FileDisposition::kOpenAlways: return OPEN_ALWAYS;
    case FileDisposition::kTruncateExisting: return TRUNCATE_EXISTING;
  }
  return OPEN_EXISTING;
}

class WinFile : public File {
 public:
  explicit WinFile(HANDLE handle) : handle_(handle) {}

  bool ReadAt(uint64_t offset, void* buffer, uint32_t size, uint32_t* done) override {
    *done = 0;
    while (*done < size) {
      OVERLAPPED at = At(offset + *done);
      DWORD got = 0;
      if (!ReadFile(handle_.get(), static_cast<char*>(buffer) + *done, size - *done, &got, &at)) {
        // A positioned read at or past the end fails with ERROR_HANDLE_EOF
        // instead of reading nothing: that is a short read, not a failure.
        return GetLastError() == ERROR_HANDLE_EOF;
      }
      if (got == 0) break;
      *done += got;
    }
    return true;
  }

  bool WriteAt(uint64_t offset, const void* data, uint32_t size, uint32_t* done) override {
    *done = 0;
    while (*done < size) {
      OVERLAPPED at = At(offset + *done);
      DWORD put = 0;
      if (!WriteFile(handle_.get(), static_cast<const char*>(data) + *done, size - *done, &put, &at)) return false;
      *done += put;
    }
    return true;
  }

  bool Append(const void* data, uint32_t size) override {
    // Offset 0xFFFFFFFF:0xFFFFFFFF writes at the end of the file as one step
    // (FILE_WRITE_TO_END_OF_FILE). The lock keeps the appends of this handle
    // whole when WriteFile has to be called again for the rest of one.
    std::lock_guard<std::mutex> lock(mutex_);
    uint32_t done = 0;
    while (done < size) {
      OVERLAPPED atEnd = At(UINT64_MAX);
      DWORD put = 0;
      if (!WriteFile(handle_.get(), static_cast<const char*>(data) + done, size - done, &put, &atEnd)) return false;
      done += put;
    }
    return true;
  }

  bool SetSize(uint64_t size) override {
    // SetEndOfFile cuts or extends at the file pointer, which only this call
    // moves; extending allocates the space, so a full drive fails here with
    // ERROR_DISK_FULL rather than at some later write.
    std::lock_guard<std::mutex> lock(mutex_);
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(handle_.get(), position, nullptr, FILE_BEGIN) && SetEndOfFile(handle_.get());
  }

  bool GetSize(uint64_t* size) override {
    LARGE_INTEGER bytes;
    if (!GetFileSizeEx(handle_.get(), &bytes)) return false;
    *size = static_cast<uint64_t>(bytes.QuadPart);
    return true;
  }

  bool Flush() override { return FlushFileBuffers(handle_.get()); }

 private:
  win::ScopedHandle handle_;
  std::mutex mutex_;
};

std::wstring SearchPattern(const std::wstring& folder) {
  bool separated = !folder.empty() && (folder.back() == L'\\' || folder.back() == L'/');
  return folder + (separated ? L"*" : L"\\*");
}

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

DirEntry EntryOf(const WIN32_FIND_DATAW& found) {
  bool isDirectory = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
  uint64_t size = isDirectory ? 0 : (static_cast<uint64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow);
  return {found.cFileName, isDirectory, size, UnixOf(found.ftLastWriteTime)};
}

// NTFS hands names out in case-blind order, other file systems (and Wine)
// in any order; sorting gives every caller the NTFS order.
void SortLikeNtfs(std::vector<DirEntry>* entries) {
  std::sort(entries->begin(), entries->end(), [](const DirEntry& a, const DirEntry& b) {
    return CompareStringOrdinal(a.name.c_str(), -1, b.name.c_str(), -1, TRUE) == CSTR_LESS_THAN;
  });
}

}  // namespace

std::unique_ptr<File> OpenFile(const std::wstring& path, uint32_t access, uint32_t share,
                               FileDisposition disposition, uint32_t attributes) {
  HANDLE handle = CreateFileW(path.c_str(), DesiredAccess(access), share, nullptr, CreationDisposition(disposition),
                              attributes, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  // CreateFileW reports ERROR_ALREADY_EXISTS when CREATE_ALWAYS or
  // OPEN_ALWAYS found the file; every other success reads as no error.
  if (GetLastError() != ERROR_ALREADY_EXISTS) SetLastError(ERROR_SUCCESS);
  return std::make_unique<WinFile>(handle);
}

uint32_t GetFileAttributesOf(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return kInvalidAttributes;
  uint32_t known = attributes & kKnownAttributes;
  return known ? known : static_cast<uint32_t>(kAttrNormal);
}

bool SetFileAttributesOf(const std::wstring& path, uint32_t attributes) {
  return SetFileAttributesW(path.c_str(), attributes);
}

bool FileExists(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DeleteFileAt(const std::wstring& path) { return DeleteFileW(path.c_str()); }

bool MoveFileTo(const std::wstring& from, const std::wstring& to, bool replaceExisting) {
  return MoveFileExW(from.c_str(), to.c_str(), replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0);
}

bool CreateDirectoryAt(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr); }

bool RemoveDirectoryAt(const std::wstring& path) { return RemoveDirectoryW(path.c_str()); }

bool ListDirectory(const std::wstring& folder, std::vector<DirEntry>* entries) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(SearchPattern(folder).c_str(), &found);
  // A missing folder gives ERROR_PATH_NOT_FOUND; ERROR_FILE_NOT_FOUND means
  // the folder has no entry at all, not even "." (the root of an empty drive).
  bool emptyFolder = search == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND;
  if (search == INVALID_HANDLE_VALUE && !emptyFolder) return false;
  entries->clear();
  if (emptyFolder) {
    SetLastError(ERROR_SUCCESS);
    return true;
  }
  do {
    if (IsDotEntry(found.cFileName)) continue;
    entries->push_back(EntryOf(found));
  } while (FindNextFileW(search, &found));
  DWORD ended = GetLastError();
  FindClose(search);
  if (ended != ERROR_NO_MORE_FILES) {
    SetLastError(ended);
    return false;
  }
  SortLikeNtfs(entries);
  SetLastError(ERROR_SUCCESS);
  return true;
}

bool SetFileModifiedTime(const std::wstring& path, int64_t unixSeconds) {
  // FILE_FLAG_BACKUP_SEMANTICS lets the same call stamp a folder.
  win::ScopedHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return false;
  FILETIME modified = FileTimeOf(unixSeconds);
  return SetFileTime(file.get(), nullptr, nullptr, &modified);
}

}  // namespace platform
