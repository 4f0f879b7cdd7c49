// What the file primitives do on Windows: share modes, dispositions and their
// errors, pre-allocation, positioned writes, attributes across a rename,
// moves, listings and times. Runs on every backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <functional>

#include "platform/files.h"
#include "platform/system_info.h"
#include "platform/testing/scratch_fixture.h"
#include "platform/win_error.h"

namespace platform {
namespace {

class FilesContract : public testing::ScratchTest {
 protected:
  std::wstring Path(const std::wstring& name) const { return Scratch() + name; }
  std::unique_ptr<File> Open(const std::wstring& name, uint32_t access, uint32_t share,
                             FileDisposition disposition = FileDisposition::kOpenAlways) {
    return OpenFile(Path(name), access, share, disposition);
  }
};

TEST_F(FilesContract, ShareModesDecideWhoElseMayOpen) {
  struct Case {
    const char* what;
    uint32_t firstAccess, firstShare, secondAccess, secondShare;
    bool admitted;
  };
  const Case cases[] = {
      {"writer sharing nothing refuses a second writer", kAccessWrite, kShareNone, kAccessWrite,
       kShareRead | kShareWrite, false},
      {"read sharing lets a reader in", kAccessWrite, kShareRead, kAccessRead, kShareRead | kShareWrite, true},
      {"read sharing keeps a writer out", kAccessRead, kShareRead, kAccessWrite, kShareRead | kShareWrite, false},
      {"a reader that shares only reading is refused by an open writer", kAccessWrite, kShareRead | kShareWrite,
       kAccessRead, kShareRead, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto first = Open(L"shared.bin", c.firstAccess, c.firstShare);
    ASSERT_TRUE(first) << GetLastErrorCode();
    auto second = Open(L"shared.bin", c.secondAccess, c.secondShare, FileDisposition::kOpenExisting);
    EXPECT_EQ(second != nullptr, c.admitted);
    if (!c.admitted) {
      EXPECT_EQ(GetLastErrorCode(), kErrorSharingViolation);
    }
  }
}

TEST_F(FilesContract, OpenFileWithoutDeleteSharingCanNotBeDeletedOrRenamed) {
  auto open = Open(L"busy.bin", kAccessRead | kAccessWrite, kShareRead | kShareWrite);
  ASSERT_TRUE(open);
  EXPECT_FALSE(DeleteFileAt(Path(L"busy.bin")));
  EXPECT_EQ(GetLastErrorCode(), kErrorSharingViolation);
  EXPECT_FALSE(MoveFileTo(Path(L"busy.bin"), Path(L"moved.bin"), false));
  EXPECT_EQ(GetLastErrorCode(), kErrorSharingViolation);
  open.reset();
  EXPECT_TRUE(MoveFileTo(Path(L"busy.bin"), Path(L"moved.bin"), false));
  EXPECT_TRUE(DeleteFileAt(Path(L"moved.bin")));
}

TEST_F(FilesContract, DispositionsFailWithTheirErrors) {
  ASSERT_TRUE(WriteWholeFile(Path(L"there.txt"), "x"));
  struct Case {
    const wchar_t* name;
    FileDisposition disposition;
    uint32_t error;
  };
  const Case cases[] = {
      {L"there.txt", FileDisposition::kCreateNew, kErrorFileExists},
      {L"missing.txt", FileDisposition::kOpenExisting, kErrorFileNotFound},
      {L"missing.txt", FileDisposition::kTruncateExisting, kErrorFileNotFound},
      {L"no folder\\file.txt", FileDisposition::kOpenExisting, kErrorPathNotFound},
      {L"no folder\\file.txt", FileDisposition::kCreateAlways, kErrorPathNotFound},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
    EXPECT_FALSE(Open(c.name, kAccessWrite, kShareNone, c.disposition));
    EXPECT_EQ(GetLastErrorCode(), c.error);
  }
  EXPECT_FALSE(FileExists(Path(L"missing.txt")));
}

TEST_F(FilesContract, PreAllocationGrowsTheFileWithZerosAndWritesLandAtTheirOffsets) {
  auto file = Open(L"download.part", kAccessRead | kAccessWrite, kShareRead);
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->SetSize(100000));
  uint64_t size = 0;
  ASSERT_TRUE(file->GetSize(&size));
  EXPECT_EQ(size, 100000u);

  uint32_t done = 0;
  ASSERT_TRUE(file->WriteAt(70000, "tail", 4, &done));
  ASSERT_TRUE(file->WriteAt(10, "head", 4, &done));
  EXPECT_EQ(done, 4u);
  file.reset();

  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(Path(L"download.part"), &bytes));
  ASSERT_EQ(bytes.size(), 100000u);
  EXPECT_EQ(bytes.substr(10, 4), "head");
  EXPECT_EQ(bytes.substr(70000, 4), "tail");
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\0'), 100000 - 8);
}

TEST_F(FilesContract, HiddenAttributeStaysWithTheFileAcrossARename) {
  ASSERT_TRUE(WriteWholeFile(Path(L"state.dat"), "x"));
  ASSERT_TRUE(SetFileAttributesOf(Path(L"state.dat"), kAttrHidden));
  ASSERT_TRUE(MoveFileTo(Path(L"state.dat"), Path(L"renamed.dat"), false));
  uint32_t attributes = GetFileAttributesOf(Path(L"renamed.dat"));
  ASSERT_NE(attributes, kInvalidAttributes);
  EXPECT_TRUE(attributes & kAttrHidden);
  EXPECT_EQ(GetFileAttributesOf(Path(L"state.dat")), kInvalidAttributes);
  EXPECT_EQ(GetLastErrorCode(), kErrorFileNotFound);
}

TEST_F(FilesContract, ReadOnlyFileIsNeitherDeletedNorOpenedForWriting) {
  ASSERT_TRUE(WriteWholeFile(Path(L"locked.txt"), "x"));
  ASSERT_TRUE(SetFileAttributesOf(Path(L"locked.txt"), kAttrReadOnly));
  EXPECT_FALSE(DeleteFileAt(Path(L"locked.txt")));
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
  EXPECT_TRUE(Open(L"locked.txt", kAccessRead, kShareRead, FileDisposition::kOpenExisting));
  if (UnderWine()) GTEST_SKIP() << "Wine keeps the read-only attribute as Unix permission bits, which root ignores";
  EXPECT_FALSE(Open(L"locked.txt", kAccessWrite, kShareRead, FileDisposition::kOpenExisting));
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
}

TEST_F(FilesContract, HiddenFileIsReCreatedOnlyWithItsAttributes) {
  if (UnderWine()) GTEST_SKIP() << "Wine 8 lets CREATE_ALWAYS replace a hidden file as a normal one";
  ASSERT_TRUE(WriteWholeFile(Path(L"hidden.txt"), "x"));
  ASSERT_TRUE(SetFileAttributesOf(Path(L"hidden.txt"), kAttrHidden));
  EXPECT_FALSE(Open(L"hidden.txt", kAccessWrite, kShareRead, FileDisposition::kCreateAlways));
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
  EXPECT_TRUE(OpenFile(Path(L"hidden.txt"), kAccessWrite, kShareRead, FileDisposition::kCreateAlways, kAttrHidden));
  EXPECT_TRUE(Open(L"hidden.txt", kAccessWrite, kShareRead, FileDisposition::kTruncateExisting));
}

TEST_F(FilesContract, MoveReplacesAnExistingTargetOnlyWhenAsked) {
  ASSERT_TRUE(WriteWholeFile(Path(L"new.txt"), "new"));
  ASSERT_TRUE(WriteWholeFile(Path(L"old.txt"), "old"));
  EXPECT_FALSE(MoveFileTo(Path(L"new.txt"), Path(L"old.txt"), false));
  EXPECT_EQ(GetLastErrorCode(), kErrorAlreadyExists);
  ASSERT_TRUE(MoveFileTo(Path(L"new.txt"), Path(L"old.txt"), true));
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(Path(L"old.txt"), &bytes));
  EXPECT_EQ(bytes, "new");
  EXPECT_FALSE(FileExists(Path(L"new.txt")));
}

TEST_F(FilesContract, FolderAndPathErrorsAreWindowsCodes) {
  ASSERT_TRUE(CreateDirectoryAt(Path(L"full")));
  ASSERT_TRUE(WriteWholeFile(Path(L"full\\f.txt"), "x"));
  struct Case {
    const char* what;
    std::function<bool()> act;
    uint32_t error;
  };
  const Case cases[] = {
      {"create an existing folder", [&] { return CreateDirectoryAt(Path(L"full")); }, kErrorAlreadyExists},
      {"create below a missing folder", [&] { return CreateDirectoryAt(Path(L"none\\sub")); }, kErrorPathNotFound},
      {"remove a folder that is not empty", [&] { return RemoveDirectoryAt(Path(L"full")); }, kErrorDirNotEmpty},
      {"delete a missing file", [&] { return DeleteFileAt(Path(L"none.txt")); }, kErrorFileNotFound},
      {"attributes in a missing folder",
       [&] { return GetFileAttributesOf(Path(L"none\\f.txt")) != kInvalidAttributes; }, kErrorPathNotFound},
      {"move into a missing folder", [&] { return MoveFileTo(Path(L"full\\f.txt"), Path(L"none\\f.txt"), false); },
       kErrorPathNotFound},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(c.act());
    EXPECT_EQ(GetLastErrorCode(), c.error);
  }
}

TEST_F(FilesContract, ListingGivesSizesAndSetTimes) {
  ASSERT_TRUE(WriteWholeFile(Path(L"a.bin"), std::string(1234, 'a')));
  ASSERT_TRUE(CreateDirectoryAt(Path(L"sub")));
  const int64_t stamp = 1500000000;  // 2017-07-14
  ASSERT_TRUE(SetFileModifiedTime(Path(L"a.bin"), stamp));

  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(Scratch().substr(0, Scratch().size() - 1), &entries));
  std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, L"a.bin");
  EXPECT_FALSE(entries[0].isDirectory);
  EXPECT_EQ(entries[0].size, 1234u);
  EXPECT_EQ(entries[0].modifiedUnix, stamp);
  EXPECT_EQ(entries[1].name, L"sub");
  EXPECT_TRUE(entries[1].isDirectory);
  EXPECT_LE(std::abs(entries[1].modifiedUnix - GetUnixTimeNow()), 120);
}

}  // namespace
}  // namespace platform
