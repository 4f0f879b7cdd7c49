#include "engine/cache_file.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/md5.h"
#include "platform/files.h"
#include "platform/testing/sim_machine_fixture.h"
#include "platform/win_error.h"
#include "system/simple_log.h"

namespace ns_VYN {
namespace {

struct SentEvent {
  int type;
  int value1;
  int value2;
  std::string text;  // event 11's digest
};

class RecordingSender : public IEventSender {
 public:
  void SendEvent(int type, intptr_t data, int value1, int value2) override {
    std::string text = type == kEventFileMd5 && data ? reinterpret_cast<const char*>(data) : "";
    events.push_back({type, value1, value2, text});
  }
  std::vector<SentEvent> events;
};

std::string Bytes(size_t size, int seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = char((i * 2654435761u + seed) >> 13);
  return bytes;
}

// Writes a fixture file, creating its folders.
void WriteFixture(const std::wstring& path, const std::string& bytes) {
  uint32_t error = 0;
  ASSERT_EQ(CreateNullFile(path, &error, 0), kNullFileCreated);
  ASSERT_TRUE(platform::WriteWholeFile(path, bytes));
}

std::string ReadAll(const std::wstring& path) {
  std::string bytes;
  EXPECT_TRUE(platform::ReadWholeFile(path, &bytes));
  return bytes;
}

// Runs on the simulated machine and on the real Win32 API: pre-allocation,
// positioned writes, the hidden attribute and the rename are the system's.
class CacheFileTest : public platform::testing::MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    final_ = Scratch() + L"deep\\er\\package.exe";
    temp_ = TemporaryPathOf(final_);
  }
  std::wstring final_;
  std::wstring temp_;
  RecordingSender sender_;
  int status_ = 0;
};

TEST_F(CacheFileTest, CreatesHiddenFullSizeFileInMissingFolders) {
  CCacheFile cache(&sender_, &status_);
  cache.SetTotal(3 << 20);
  ASSERT_TRUE(cache.CreateTempFile(temp_, 3 << 20));
  EXPECT_EQ(GetLocalFileSize(temp_), 3 << 20);
  EXPECT_TRUE(platform::GetFileAttributesOf(temp_) & platform::kAttrHidden);
  EXPECT_EQ(ReadAll(temp_), std::string(3 << 20, '\0'));
  EXPECT_TRUE(sender_.events.empty());
}

TEST_F(CacheFileTest, CreateFailuresSetStatusAndReportWhat) {
  USE_PROFILE(R"({"drives": {"C": {"quota_mb": 1}}})");
  CCacheFile cache(&sender_, &status_);
  EXPECT_FALSE(cache.CreateTempFile(temp_, 2 << 20));
  EXPECT_EQ(status_, 10);
  ASSERT_EQ(sender_.events.size(), 1u);
  EXPECT_EQ(sender_.events[0].type, kEventFileOpFailed);
  EXPECT_EQ(sender_.events[0].value1, 3);
  EXPECT_EQ(sender_.events[0].value2, int(platform::kErrorDiskFull));
  EXPECT_FALSE(platform::FileExists(temp_)) << "a file that does not fit is not left behind";

  sender_.events.clear();
  EXPECT_FALSE(cache.CreateTempFile(L"Q:\\nowhere\\x.~P2S", 10));  // a drive the machine lacks
  EXPECT_EQ(status_, 9);
  ASSERT_EQ(sender_.events.size(), 1u);
  EXPECT_EQ(sender_.events[0].value1, 1);
}

TEST_F(CacheFileTest, FileThatCanNotBeOpenedEndsWithStatus9) {
  CCacheFile cache(&sender_, &status_);
  EXPECT_FALSE(cache.OpenTempFile(temp_));
  EXPECT_EQ(status_, 9);
  ASSERT_EQ(sender_.events.size(), 1u);
  EXPECT_EQ(sender_.events[0].value1, 1);
}

TEST_F(CacheFileTest, RecordRoundTripAndRemoval) {
  const int64_t total = 1000;
  CCacheFile writer(&sender_, &status_);
  writer.SetTotal(total);
  ASSERT_TRUE(writer.CreateTempFile(temp_, total));
  ASSERT_TRUE(writer.OpenTempFile(temp_));
  const std::string data = Bytes(100, 1);
  ASSERT_EQ(writer.Write(100, 100, data.data()), 100);
  EXPECT_FALSE(writer.WriteCacheInfo({})) << "no pairs, no record";
  ASSERT_TRUE(writer.WriteCacheInfo({{0, 99}, {200, 299}, {400, 999}}));
  ASSERT_TRUE(writer.WriteCacheInfo({{0, 99}, {200, 299}})) << "a shorter record replaces a longer one";
  writer.CloseTempFile();
  EXPECT_EQ(GetLocalFileSize(temp_), total + 16 * 2 + 8);

  CCacheFile reader(&sender_, &status_);
  std::map<int64_t, int64_t> pairs;
  ASSERT_TRUE(reader.ReadCacheInfo(temp_, total, &pairs));
  EXPECT_EQ(pairs, (std::map<int64_t, int64_t>{{0, 99}, {200, 299}}));
  EXPECT_FALSE(reader.ReadCacheInfo(temp_, total + 1, &pairs)) << "a record for another size";

  ASSERT_TRUE(reader.OpenTempFile(temp_));  // the record stays until removed
  reader.CloseTempFile();
  EXPECT_EQ(GetLocalFileSize(temp_), total + 40);
  reader.RemoveCacheInfo();
  EXPECT_EQ(GetLocalFileSize(temp_), total);
  EXPECT_EQ(ReadAll(temp_).substr(100, 100), data);
  EXPECT_TRUE(sender_.events.empty());
}

TEST_F(CacheFileTest, FilesWithoutAValidRecordAreNotResumed) {
  CCacheFile cache(&sender_, &status_);
  std::map<int64_t, int64_t> pairs;
  WriteFixture(temp_, std::string(1000, 'x'));
  EXPECT_FALSE(cache.ReadCacheInfo(temp_, 1000, &pairs)) << "exactly T bytes: no record";
  WriteFixture(temp_, std::string(1000, 'x') + EncodeResumeRecord({{500, 400}}));
  EXPECT_FALSE(cache.ReadCacheInfo(temp_, 1000, &pairs));
  EXPECT_FALSE(cache.ReadCacheInfo(Scratch() + L"missing.~P2S", 1000, &pairs));
  EXPECT_TRUE(pairs.empty());
}

// A cancelled attempt closes its handle before it writes its last record.
TEST_F(CacheFileTest, RecordIsWrittenAfterTheHandleWasClosed) {
  CCacheFile cache(&sender_, &status_);
  cache.SetTotal(64);
  ASSERT_TRUE(cache.CreateTempFile(temp_, 64));
  ASSERT_TRUE(cache.OpenTempFile(temp_));
  cache.CloseTempFile();
  EXPECT_FALSE(cache.WriteFileData(0, 1, "x", false)) << "data is not written through a closed handle";
  ASSERT_TRUE(cache.WriteCacheInfo({{10, 63}}));
  std::map<int64_t, int64_t> pairs;
  ASSERT_TRUE(cache.ReadCacheInfo(temp_, 64, &pairs));
  EXPECT_EQ(pairs, (std::map<int64_t, int64_t>{{10, 63}}));
}

TEST_F(CacheFileTest, DetachedRecordWritersFinishBeforeTheFileGoes) {
  std::map<int64_t, int64_t> pairs;
  {
    CCacheFile cache(&sender_, &status_);
    cache.SetTotal(4096);
    ASSERT_TRUE(cache.CreateTempFile(temp_, 4096));
    ASSERT_TRUE(cache.OpenTempFile(temp_));
    for (int64_t first = 0; first < 40; ++first) cache.WriteCacheInfoDetached({{first, 4095}});
  }  // the destructor waits for every writer
  CCacheFile reader(&sender_, &status_);
  ASSERT_TRUE(reader.ReadCacheInfo(temp_, 4096, &pairs));
  ASSERT_EQ(pairs.size(), 1u);
  EXPECT_EQ(pairs.begin()->second, 4095);
}

TEST_F(CacheFileTest, SizeCheckReportsAMismatch) {
  CCacheFile cache(&sender_, &status_);
  cache.SetTotal(10);
  WriteFixture(temp_, std::string(10, 'a'));
  EXPECT_TRUE(cache.CheckFileSize(temp_, true));
  WriteFixture(temp_, std::string(11, 'a'));
  EXPECT_FALSE(cache.CheckFileSize(temp_, false));
  EXPECT_EQ(status_, 0) << "no report, no status";
  EXPECT_FALSE(cache.CheckFileSize(temp_, true));
  EXPECT_EQ(status_, 9);
  ASSERT_EQ(sender_.events.size(), 1u);
  EXPECT_EQ(sender_.events[0].value1, 4);
}

TEST_F(CacheFileTest, DigestCheck) {
  const std::string content = "package body";
  const std::string digest = Md5HexUpper(content);
  std::string lower = digest;
  for (char& c : lower) c = char(tolower(c));
  WriteFixture(temp_, content);
  struct Case {
    std::string expected;
    bool matches;
    int status;          // after the check
    size_t eventsSent;   // 11 and, on a match, 12
  };
  const Case cases[] = {
      {digest, true, 0, 2},
      {lower, true, 0, 2},
      {"0123456789ABCDEF0123456789ABCDEF;" + digest, true, 0, 2},  // one of several
      {digest.substr(0, 3), false, 11, 1},
      {"0123456789ABCDEF0123456789ABCDEF", false, 11, 1},
      {digest.substr(0, 2), false, 0, 0},  // too short to check: the file is not read
      {"", false, 0, 0},
  };
  for (const Case& c : cases) {
    RecordingSender sender;
    int status = 0;
    CCacheFile cache(&sender, &status);
    cache.SetServerMd5(c.expected);
    EXPECT_EQ(cache.CheckMd5(temp_, true), c.matches) << c.expected;
    EXPECT_EQ(status, c.status) << c.expected;
    ASSERT_EQ(sender.events.size(), c.eventsSent) << c.expected;
    if (c.eventsSent > 0) EXPECT_EQ(sender.events[0].text, digest);
    if (c.eventsSent > 1) EXPECT_EQ(sender.events[1].type, kEventMd5Match);
  }
  RecordingSender sender;
  int status = 0;
  CCacheFile cache(&sender, &status);
  cache.SetServerMd5(digest);
  EXPECT_FALSE(cache.CheckMd5(Scratch() + L"missing.bin", false)) << "an unreadable file never matches";
  EXPECT_EQ(status, 11);
}

TEST_F(CacheFileTest, StreamedDigestFollowsWritesInAnyOrder) {
  const int64_t total = (3 << 20) + 12345;
  const std::string data = Bytes(size_t(total), 5);
  CCacheFile cache(&sender_, &status_);
  cache.SetTotal(total);
  cache.SetServerMd5(Md5HexUpper(data));
  ASSERT_TRUE(cache.CreateTempFile(temp_, total));
  ASSERT_TRUE(cache.OpenTempFile(temp_));
  // Three ranges, the last written first, the first in small pieces.
  const int64_t cut1 = 1 << 20, cut2 = 2 << 20;
  ASSERT_EQ(cache.Write(cut2, total - cut2, data.data() + cut2), total - cut2);
  ASSERT_EQ(cache.Write(cut1, cut2 - cut1, data.data() + cut1), cut2 - cut1);
  for (int64_t at = 0; at < cut1; at += 4096) ASSERT_EQ(cache.Write(at, 4096, data.data() + at), 4096);
  ASSERT_TRUE(cache.WriteCacheInfo({{total - 1, total - 1}}));  // a record past T is not package data
  cache.CloseTempFile();
  cache.RemoveCacheInfo();
  EXPECT_EQ(cache.FileMd5(temp_), Md5HexUpper(data));
  EXPECT_TRUE(cache.CheckMd5(temp_, false));
}

// The stream can only vouch for bytes written once; otherwise the file
// itself is read, so the digest is always that of the bytes on disk.
TEST_F(CacheFileTest, DigestIsThatOfTheFileWhenTheStreamCanNotVouch) {
  const int64_t total = 1 << 20;
  const std::string data = Bytes(size_t(total), 9);
  struct Case {
    const char* what;
    std::vector<std::pair<int64_t, int64_t>> writes;  // offset, count
  };
  const Case cases[] = {
      {"a hole", {{0, total / 2}, {total / 2 + 10, total / 2 - 10}}},
      {"bytes written twice", {{0, total}, {100, 50}}},
  };
  for (const Case& c : cases) {
    CCacheFile cache(&sender_, &status_);
    cache.SetTotal(total);
    ASSERT_TRUE(cache.CreateTempFile(temp_, total));
    ASSERT_TRUE(cache.OpenTempFile(temp_));
    for (auto [offset, count] : c.writes) cache.Write(offset, count, data.data() + offset);
    cache.CloseTempFile();
    EXPECT_EQ(cache.FileMd5(temp_), Md5HexUpper(ReadAll(temp_))) << c.what;
  }
}

TEST_F(CacheFileTest, ResumedFileDigestsTheBytesAlreadyThere) {
  const int64_t total = 300000;
  const std::string data = Bytes(size_t(total), 3);
  WriteFixture(temp_, data.substr(0, 100000) + std::string(100000, '\0') +
                                                  data.substr(200000) + EncodeResumeRecord({{100000, 199999}}));
  CCacheFile cache(&sender_, &status_);
  std::map<int64_t, int64_t> pairs;
  ASSERT_TRUE(cache.ReadCacheInfo(temp_, total, &pairs));
  ASSERT_TRUE(cache.OpenTempFile(temp_));
  cache.Write(100000, 100000, data.data() + 100000);
  cache.CloseTempFile();
  cache.RemoveCacheInfo();
  EXPECT_EQ(cache.FileMd5(temp_), Md5HexUpper(data));
}

TEST_F(CacheFileTest, RenameReplacesTheFinalFileAndShowsIt) {
  CCacheFile cache(&sender_, &status_);
  ASSERT_TRUE(cache.CreateTempFile(temp_, 5));
  WriteFixture(final_, "older package");
  ASSERT_TRUE(cache.RenameToFinal(temp_, final_));
  EXPECT_FALSE(platform::FileExists(temp_));
  EXPECT_EQ(GetLocalFileSize(final_), 5);
  EXPECT_FALSE(platform::GetFileAttributesOf(final_) & platform::kAttrHidden);
  EXPECT_EQ(status_, 0);
}

TEST_F(CacheFileTest, FailedRenameEndsWithStatus9) {
  CCacheFile cache(&sender_, &status_);
  EXPECT_FALSE(cache.RenameToFinal(temp_, final_));  // nothing to rename
  EXPECT_EQ(status_, 9);
  ASSERT_EQ(sender_.events.size(), 1u);
  EXPECT_EQ(sender_.events[0].type, kEventFileOpFailed);
  EXPECT_EQ(sender_.events[0].value1, 2);
  EXPECT_NE(sender_.events[0].value2, 0);
}

TEST_F(CacheFileTest, LockersOtherThanThisProcessAreLogged) {
  USE_PROFILE(R"({"file_lockers": {"C:\\Downloads\\locked.bin": [{"pid": 4242, "app": "Scanner"}]}})");
  simpleLog log("C:\\twKIV.log");
  log.Open();
  InstallLogger(&log);
  LogFileLockers(L"c:\\downloads\\LOCKED.bin");
  LogFileLockers(L"C:\\Downloads\\other.bin");
  InstallLogger(nullptr);
  const std::string text = ReadAll(L"C:\\twKIV.log");
  EXPECT_NE(text.find("[WARN] process=[4242][Scanner] locked the file=[c:\\downloads\\LOCKED.bin] "), std::string::npos)
      << text;
  EXPECT_EQ(text.find("other.bin"), std::string::npos);
}

}  // namespace
}  // namespace ns_VYN
