// Contract of the file primitives: share modes, dispositions, positioned I/O,
// attributes, moves, folders and Windows path rules. Runs on every backend,
// in a scratch folder.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <thread>

#include "platform/testing/scratch_fixture.h"
#include "platform/win_error.h"

namespace platform {
namespace {

class FilesTest : public testing::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    folder_ = Scratch() + L"Work";
    file_ = folder_ + L"\\data.bin";
    ASSERT_TRUE(CreateDirectoryAt(folder_));
  }
  // The folder in upper case: paths match names ignoring case.
  std::wstring UpperFolder() const {
    std::wstring upper = folder_;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](wchar_t c) { return std::towupper(c); });
    return upper;
  }
  static std::string Read(const std::wstring& path) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path, &bytes)) << GetLastErrorCode();
    return bytes;
  }
  // Opens with `access` and `share`; the last error tells why it failed.
  std::unique_ptr<File> Open(uint32_t access, uint32_t share,
                                    FileDisposition disposition = FileDisposition::kOpenAlways) {
    return OpenFile(file_, access, share, disposition);
  }

  std::wstring folder_;  // below the scratch folder, no trailing "\\"
  std::wstring file_;
};

struct ShareCase {
  uint32_t firstAccess, firstShare, secondAccess, secondShare;
  bool admitted;
};

TEST_F(FilesTest, SecondHandleIsAdmittedOnlyWhenBothShareModesAllowIt) {
  const ShareCase cases[] = {
      {kAccessWrite, kShareNone, kAccessWrite, kShareRead | kShareWrite, false},
      {kAccessWrite, kShareNone, kAccessRead, kShareRead | kShareWrite, false},
      {kAccessRead, kShareRead, kAccessRead, kShareRead, true},
      {kAccessRead, kShareRead, kAccessWrite, kShareRead | kShareWrite, false},
      {kAccessRead, kShareRead | kShareWrite, kAccessWrite, kShareWrite, false},  // second denies the first's read
      {kAccessRead | kAccessWrite, kShareRead | kShareWrite, kAccessRead | kAccessWrite, kShareRead | kShareWrite, true},
      {kAccessWrite, kShareRead | kShareWrite, kAccessRead, kShareRead, false},  // second denies the first's write
      {kAccessRead, kShareRead | kShareWrite | kShareDelete, kAccessDelete, kShareRead | kShareWrite | kShareDelete, true},
      {kAccessRead, kShareRead | kShareWrite, kAccessDelete, kShareRead | kShareWrite | kShareDelete, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.firstAccess << "/" << c.firstShare << " then " << c.secondAccess << "/"
                                      << c.secondShare);
    auto first = Open(c.firstAccess, c.firstShare);
    ASSERT_TRUE(first);
    auto second = Open(c.secondAccess, c.secondShare, FileDisposition::kOpenExisting);
    EXPECT_EQ(second != nullptr, c.admitted);
    if (!c.admitted) {
      EXPECT_EQ(GetLastErrorCode(), kErrorSharingViolation);
    }
    second.reset();
    first.reset();
    EXPECT_TRUE(Open(c.secondAccess, c.secondShare, FileDisposition::kOpenExisting)) << "closing frees the file";
  }
}

TEST_F(FilesTest, DeleteAndMoveNeedDeleteSharingFromOpenHandles) {
  auto held = Open(kAccessRead, kShareRead | kShareWrite);
  ASSERT_TRUE(held);
  EXPECT_FALSE(DeleteFileAt(file_));
  EXPECT_EQ(GetLastErrorCode(), kErrorSharingViolation);
  EXPECT_FALSE(MoveFileTo(file_, folder_ + L"\\moved.bin", false));
  EXPECT_EQ(GetLastErrorCode(), kErrorSharingViolation);
  EXPECT_TRUE(FileExists(file_));
  held.reset();

  held = Open(kAccessRead, kShareRead | kShareDelete);
  ASSERT_TRUE(held);
  EXPECT_TRUE(MoveFileTo(file_, folder_ + L"\\moved.bin", false));
  EXPECT_TRUE(DeleteFileAt(folder_ + L"\\moved.bin"));
  // Before Windows 10's POSIX-style delete (and under Wine) the name stays
  // until the last handle is closed.
  held.reset();
  EXPECT_FALSE(FileExists(folder_ + L"\\moved.bin"));
}

TEST_F(FilesTest, DispositionsCreateOpenOrTruncateAsWindowsDoes) {
  struct Case {
    FileDisposition disposition;
    bool exists;
    bool opens;
    uint32_t lastError;
    std::string contentAfter;  // of the file once the handle is closed
  };
  const Case cases[] = {
      {FileDisposition::kCreateNew, true, false, kErrorFileExists, "old"},
      {FileDisposition::kCreateNew, false, true, kErrorSuccess, ""},
      {FileDisposition::kCreateAlways, true, true, kErrorAlreadyExists, ""},
      {FileDisposition::kCreateAlways, false, true, kErrorSuccess, ""},
      {FileDisposition::kOpenExisting, true, true, kErrorSuccess, "old"},
      {FileDisposition::kOpenExisting, false, false, kErrorFileNotFound, ""},
      {FileDisposition::kOpenAlways, true, true, kErrorAlreadyExists, "old"},
      {FileDisposition::kOpenAlways, false, true, kErrorSuccess, ""},
      {FileDisposition::kTruncateExisting, true, true, kErrorSuccess, ""},
      {FileDisposition::kTruncateExisting, false, false, kErrorFileNotFound, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "disposition " << static_cast<int>(c.disposition) << " exists " << c.exists);
    DeleteFileAt(file_);
    if (c.exists) {
      ASSERT_TRUE(WriteWholeFile(file_, "old"));
    }
    SetLastErrorCode(12345);
    auto file = OpenFile(file_, kAccessRead | kAccessWrite, kShareRead, c.disposition);
    EXPECT_EQ(file != nullptr, c.opens);
    EXPECT_EQ(GetLastErrorCode(), c.lastError);
    file.reset();
    EXPECT_EQ(FileExists(file_), c.exists || c.opens);
    if (FileExists(file_)) {
      EXPECT_EQ(Read(file_), c.contentAfter);
    }
  }
}

TEST_F(FilesTest, RefusedOpenLeavesTheFileUntouched) {
  ASSERT_TRUE(WriteWholeFile(file_, "keep me"));
  auto held = Open(kAccessWrite, kShareRead);
  ASSERT_TRUE(held);
  EXPECT_FALSE(OpenFile(file_, kAccessWrite, kShareRead | kShareWrite, FileDisposition::kCreateAlways));
  EXPECT_EQ(GetLastErrorCode(), kErrorSharingViolation);
  held.reset();
  EXPECT_EQ(Read(file_), "keep me");
}

TEST_F(FilesTest, MissingFolderOrDriveGivesPathNotFound) {
  const std::wstring inMissingFolder = folder_ + L"\\nowhere\\x.bin";
  EXPECT_FALSE(OpenFile(inMissingFolder, kAccessWrite, kShareNone, FileDisposition::kCreateAlways));
  EXPECT_EQ(GetLastErrorCode(), kErrorPathNotFound);
  EXPECT_EQ(GetFileAttributesOf(inMissingFolder), kInvalidAttributes);
  EXPECT_FALSE(OpenFile(L"Q:\\x.bin", kAccessWrite, kShareNone, FileDisposition::kCreateAlways));
  EXPECT_EQ(GetFileAttributesOf(L"Q:\\x.bin"), kInvalidAttributes);
  EXPECT_FALSE(CreateDirectoryAt(L"Q:\\Folder"));
  if (UnderWine()) GTEST_SKIP() << "Wine gives ERROR_FILE_NOT_FOUND for a path on a missing drive";
  EXPECT_FALSE(OpenFile(L"Q:\\x.bin", kAccessWrite, kShareNone, FileDisposition::kCreateAlways));
  EXPECT_EQ(GetLastErrorCode(), kErrorPathNotFound);
  EXPECT_FALSE(CreateDirectoryAt(L"Q:\\Folder"));
  EXPECT_EQ(GetLastErrorCode(), kErrorPathNotFound);
}

TEST_F(FilesTest, PositionedWritesFromManyThreadsLandAtTheirOffsets) {
  auto file = Open(kAccessRead | kAccessWrite, kShareRead | kShareWrite, FileDisposition::kCreateAlways);
  ASSERT_TRUE(file);
  constexpr uint32_t kBlock = 4096;
  constexpr int kBlocks = 64;
  ASSERT_TRUE(file->SetSize(kBlock * (kBlocks + 1)));  // one trailing block stays unwritten
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([&, t] {
      for (int b = t; b < kBlocks; b += 4) {
        std::string block(kBlock, static_cast<char>('a' + b % 26));
        uint32_t done = 0;
        EXPECT_TRUE(file->WriteAt(uint64_t(b) * kBlock, block.data(), kBlock, &done));
        EXPECT_EQ(done, kBlock);
      }
    });
  }
  for (auto& w : writers) w.join();
  std::string block(kBlock, '\0');
  uint32_t done = 0;
  for (int b = 0; b < kBlocks; b += 7) {
    ASSERT_TRUE(file->ReadAt(uint64_t(b) * kBlock, block.data(), kBlock, &done));
    EXPECT_EQ(block, std::string(kBlock, static_cast<char>('a' + b % 26))) << "block " << b;
  }
  ASSERT_TRUE(file->ReadAt(uint64_t(kBlocks) * kBlock, block.data(), kBlock, &done));
  EXPECT_EQ(block, std::string(kBlock, '\0')) << "pre-allocated space reads as zeros";
  ASSERT_TRUE(file->ReadAt(uint64_t(kBlocks + 1) * kBlock - 10, block.data(), kBlock, &done));
  EXPECT_EQ(done, 10u) << "a read past the end is short, not a failure";

  ASSERT_TRUE(file->Append("tail", 4));
  ASSERT_TRUE(file->SetSize(kBlock));
  uint64_t size = 0;
  ASSERT_TRUE(file->GetSize(&size));
  EXPECT_EQ(size, kBlock);
}

TEST_F(FilesTest, AppendsFromManyThreadsNeverOverlap) {
  auto file = Open(kAccessWrite, kShareRead, FileDisposition::kCreateAlways);
  ASSERT_TRUE(file);
  std::vector<std::thread> writers;
  for (char tag = 'a'; tag < 'e'; ++tag) {
    writers.emplace_back([&, tag] {
      const std::string record(10, tag);
      for (int i = 0; i < 200; ++i) EXPECT_TRUE(file->Append(record.data(), 10));
    });
  }
  for (auto& w : writers) w.join();
  file.reset();
  std::string bytes = Read(file_);
  ASSERT_EQ(bytes.size(), 4u * 200 * 10);
  for (size_t at = 0; at < bytes.size(); at += 10) {
    EXPECT_EQ(bytes.substr(at, 10), std::string(10, bytes[at])) << "record at " << at;
  }
}

TEST_F(FilesTest, HandleAccessLimitsWhatItMayDo) {
  ASSERT_TRUE(WriteWholeFile(file_, "abc"));
  auto reader = Open(kAccessRead, kShareRead | kShareWrite, FileDisposition::kOpenExisting);
  ASSERT_TRUE(reader);
  uint32_t done = 0;
  EXPECT_FALSE(reader->WriteAt(0, "x", 1, &done));
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
  EXPECT_FALSE(reader->SetSize(10));
  auto writer = Open(kAccessWrite, kShareRead | kShareWrite, FileDisposition::kOpenExisting);
  ASSERT_TRUE(writer);
  char byte;
  EXPECT_FALSE(writer->ReadAt(0, &byte, 1, &done));
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
}

TEST_F(FilesTest, AttributesFollowTheFileAndGoWithIt) {
  ASSERT_TRUE(WriteWholeFile(file_, "abc"));
  ASSERT_TRUE(SetFileAttributesOf(file_, kAttrHidden | kAttrReadOnly));
  const std::wstring moved = folder_ + L"\\moved.bin";
  ASSERT_TRUE(MoveFileTo(file_, moved, false)) << "a read-only file may be renamed";
  EXPECT_EQ(GetFileAttributesOf(moved), kAttrHidden | kAttrReadOnly);

  EXPECT_FALSE(DeleteFileAt(moved));
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
  EXPECT_TRUE(OpenFile(moved, kAccessRead, kShareRead, FileDisposition::kOpenExisting));

  ASSERT_TRUE(SetFileAttributesOf(moved, kAttrHidden));
  EXPECT_TRUE(OpenFile(moved, kAccessWrite, kShareRead, FileDisposition::kCreateAlways, kAttrHidden));
  ASSERT_TRUE(DeleteFileAt(moved));
  ASSERT_TRUE(WriteWholeFile(moved, "new"));
  EXPECT_EQ(GetFileAttributesOf(moved), kAttrNormal) << "attributes go with the deleted file";
  EXPECT_EQ(GetFileAttributesOf(folder_), kAttrDirectory);
}

TEST_F(FilesTest, ReadOnlyAndHiddenFilesRefuseToBeOverwritten) {
  if (UnderWine()) {
    GTEST_SKIP() << "Wine keeps the read-only attribute as Unix permission bits, which root ignores, and lets "
                    "CREATE_ALWAYS replace a hidden file as a normal one";
  }
  ASSERT_TRUE(WriteWholeFile(file_, "abc"));
  ASSERT_TRUE(SetFileAttributesOf(file_, kAttrHidden | kAttrReadOnly));
  EXPECT_FALSE(OpenFile(file_, kAccessWrite, kShareRead, FileDisposition::kOpenExisting));
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
  ASSERT_TRUE(SetFileAttributesOf(file_, kAttrHidden));
  EXPECT_FALSE(OpenFile(file_, kAccessWrite, kShareRead, FileDisposition::kCreateAlways, kAttrNormal))
      << "re-creating a hidden file as a normal one is refused";
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
}

TEST_F(FilesTest, MoveReplacesOnlyWhenAsked) {
  const std::wstring target = folder_ + L"\\target.bin";
  ASSERT_TRUE(WriteWholeFile(file_, "source"));
  ASSERT_TRUE(WriteWholeFile(target, "target"));
  EXPECT_FALSE(MoveFileTo(file_, target, false));
  EXPECT_EQ(GetLastErrorCode(), kErrorAlreadyExists);
  EXPECT_EQ(Read(target), "target");

  EXPECT_TRUE(MoveFileTo(file_, target, true));
  EXPECT_EQ(Read(target), "source");
  EXPECT_FALSE(FileExists(file_));
  EXPECT_FALSE(MoveFileTo(target, folder_ + L"\\missing\\x.bin", false));
  EXPECT_EQ(GetLastErrorCode(), kErrorPathNotFound);

  if (UnderWine()) GTEST_SKIP() << "Wine keeps the read-only attribute as Unix permission bits, which root ignores";
  ASSERT_TRUE(WriteWholeFile(file_, "again"));
  ASSERT_TRUE(SetFileAttributesOf(target, kAttrReadOnly));
  EXPECT_FALSE(MoveFileTo(file_, target, true)) << "a read-only target is not replaced";
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
  EXPECT_EQ(Read(target), "source");
}

TEST_F(FilesTest, PathsMatchExistingNamesIgnoringCase) {
  ASSERT_TRUE(WriteWholeFile(folder_ + L"\\Report.TXT", "x"));
  EXPECT_TRUE(FileExists(UpperFolder() + L"\\report.txt"));
  EXPECT_FALSE(OpenFile(UpperFolder() + L"\\REPORT.txt", kAccessWrite, kShareNone, FileDisposition::kCreateNew));
  EXPECT_EQ(GetLastErrorCode(), kErrorFileExists);
  ASSERT_TRUE(MoveFileTo(folder_ + L"\\Report.TXT", folder_ + L"\\report.txt", false)) << "a rename to another case";
  if (UnderWine()) GTEST_SKIP() << "Wine keeps the old name when a rename changes only its case";
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(folder_, &entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, L"report.txt");
}

TEST_F(FilesTest, FoldersAreCreatedOneLevelListedAndRemovedWhenEmpty) {
  EXPECT_FALSE(CreateDirectoryAt(folder_ + L"\\a\\b"));
  EXPECT_EQ(GetLastErrorCode(), kErrorPathNotFound);
  ASSERT_TRUE(CreateDirectoryAt(folder_ + L"\\a"));
  EXPECT_FALSE(CreateDirectoryAt(UpperFolder() + L"\\A"));
  EXPECT_EQ(GetLastErrorCode(), kErrorAlreadyExists);
  EXPECT_TRUE(DirectoryExists(folder_ + L"\\a"));
  EXPECT_FALSE(FileExists(folder_ + L"\\a"));

  ASSERT_TRUE(WriteWholeFile(folder_ + L"\\b.bin", std::string(1234, 'x')));
  ASSERT_TRUE(SetFileModifiedTime(folder_ + L"\\b.bin", 1700000000));
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(folder_ + L"\\", &entries));
  // Only NTFS lists in name order; other file systems (and Wine's) do not.
  std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, L"a");
  EXPECT_TRUE(entries[0].isDirectory);
  EXPECT_EQ(entries[1].name, L"b.bin");
  EXPECT_EQ(entries[1].size, 1234u);
  EXPECT_EQ(entries[1].modifiedUnix, 1700000000);
  EXPECT_FALSE(ListDirectory(folder_ + L"\\none", &entries));

  EXPECT_FALSE(RemoveDirectoryAt(folder_));
  EXPECT_EQ(GetLastErrorCode(), kErrorDirNotEmpty);
  EXPECT_FALSE(DeleteFileAt(folder_ + L"\\a")) << "a folder is not deleted as a file";
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
  EXPECT_TRUE(RemoveDirectoryAt(folder_ + L"\\a"));
  EXPECT_FALSE(DirectoryExists(folder_ + L"\\a"));
}

TEST_F(FilesTest, WholeFileWriteReplacesLongerContent) {
  ASSERT_TRUE(WriteWholeFile(file_, std::string(3 << 20, 'x')));
  EXPECT_EQ(Read(file_).size(), 3u << 20);
  ASSERT_TRUE(WriteWholeFile(file_, "short"));
  EXPECT_EQ(Read(file_), "short");
  std::string bytes;
  EXPECT_FALSE(ReadWholeFile(folder_ + L"\\none.bin", &bytes));
  EXPECT_EQ(GetLastErrorCode(), kErrorFileNotFound);
}

}  // namespace
}  // namespace platform
