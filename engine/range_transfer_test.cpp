#include "engine/range_transfer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

#include "engine/range_plan.h"
#include "platform/testing/http_test_server.h"

namespace ns_VYN {
namespace {

using platform::testing::GeneratedBytes;
using platform::testing::HttpFault;
using platform::testing::HttpTestServer;

// The file a range writes into, in memory: every write is checked to stay
// inside the bounds the test allows.
class MemoryFile : public IFileWriter {
 public:
  explicit MemoryFile(size_t size) : bytes_(size, '\0') {}
  int64_t Write(int64_t offset, int64_t count, const void* data) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (failWrites_) return 0;
    if (offset < lowest_ || offset + count - 1 > highest_ || offset + count > int64_t(bytes_.size())) {
      ++outOfBounds_;
      return 0;
    }
    memcpy(bytes_.data() + offset, data, size_t(count));
    written_ += count;
    return count;
  }
  void Allow(int64_t lowest, int64_t highest) {
    std::lock_guard<std::mutex> lock(mutex_);
    lowest_ = lowest;
    highest_ = highest;
  }
  void FailWrites() { failWrites_ = true; }
  std::string Bytes(int64_t offset, int64_t count) {
    std::lock_guard<std::mutex> lock(mutex_);
    return bytes_.substr(size_t(offset), size_t(count));
  }
  int64_t Written() {
    std::lock_guard<std::mutex> lock(mutex_);
    return written_;
  }
  int OutOfBounds() {
    std::lock_guard<std::mutex> lock(mutex_);
    return outOfBounds_;
  }

 private:
  std::mutex mutex_;
  std::string bytes_;
  int64_t lowest_ = 0, highest_ = INT64_MAX;
  int64_t written_ = 0;
  int outOfBounds_ = 0;
  bool failWrites_ = false;
};

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  for (auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done();
}

class RangeTransferTest : public ::testing::Test {
 protected:
  static constexpr int64_t kTotal = 300000;

  void SetUp() override {
    ASSERT_TRUE(server_.Start());
    body_ = GeneratedBytes(size_t(kTotal), 11);
  }
  void TearDown() override { OverrideRangeTimingForTesting(RangeTiming{}); }

  // Starts a range over `path` (served with `fault`) and waits until it ends.
  std::unique_ptr<CRangeTransfer> Run(int64_t start, int64_t end, HttpFault fault = {}, const std::string& ip = "",
                                      const std::string& url = "") {
    server_.Serve("/pkg.bin", body_, fault);
    auto range = Begin(start, end, url.empty() ? server_.Url("/pkg.bin") : url, ip);
    EXPECT_TRUE(WaitFor([&] { return IsFinalRangeState(range->State()); }, std::chrono::seconds(15)));
    return range;
  }
  std::unique_ptr<CRangeTransfer> Begin(int64_t start, int64_t end, const std::string& url, const std::string& ip = "",
                                        int bufferSize = 65536, IFileWriter* writer = nullptr) {
    auto range = std::make_unique<CRangeTransfer>();
    EXPECT_TRUE(range->Init(url, start, end, ip, L"C:\\pkg.bin.~P2S"));
    range->SetTotal(kTotal);
    range->SetBufferSize(bufferSize);
    range->SetWriter(writer ? writer : &file_);
    EXPECT_TRUE(range->Start());
    return range;
  }

  // Starts a whole-file range over a `total`-byte body at `path` whose server
  // stalls after `stallAfter` bytes, and waits until those bytes arrived.
  std::unique_ptr<CRangeTransfer> StartStalled(const std::string& path, int64_t total, int seed, int64_t stallAfter,
                                               MemoryFile* file) {
    HttpFault stall;
    stall.stallAfter = stallAfter;
    server_.Serve(path, GeneratedBytes(size_t(total), seed), stall);
    auto range = std::make_unique<CRangeTransfer>();
    EXPECT_TRUE(range->Init(server_.Url(path), 0, total - 1, "", L"C:\\stalled.bin.~P2S"));
    range->SetTotal(total);
    range->SetBufferSize(kMinBufferSize);
    range->SetWriter(file);
    EXPECT_TRUE(range->Start());
    EXPECT_TRUE(WaitFor([&] { return range->GetReceived() == stallAfter; }, std::chrono::seconds(10)));
    return range;
  }

  HttpTestServer server_{"127.0.0.2"};
  std::string body_;
  MemoryFile file_{size_t(kTotal)};
};

TEST_F(RangeTransferTest, CompleteRangeLandsAtItsOwnOffsets) {
  file_.Allow(100000, 199999);
  auto range = Run(100000, 199999);
  EXPECT_EQ(range->State(), kRangeSuccess);
  EXPECT_EQ(range->GetReceived(), 100000);
  EXPECT_EQ(range->GetSaved(), 100000);
  EXPECT_EQ(file_.Bytes(100000, 100000), body_.substr(100000, 100000));
  EXPECT_EQ(file_.OutOfBounds(), 0);
  auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].headers["range"], "bytes=100000-199999");
}

TEST_F(RangeTransferTest, OpenRangeFromZeroEndsAtTheLastByte) {
  auto range = Run(0, -1);
  EXPECT_EQ(range->State(), kRangeSuccess);
  EXPECT_EQ(range->GetEnd(), kTotal - 1);
  EXPECT_EQ(file_.Bytes(0, kTotal), body_);
  EXPECT_EQ(server_.Requests().at(0).headers["range"], "bytes=0-");
}

TEST_F(RangeTransferTest, PinnedAddressIsUsedForTheHostName) {
  // "localhost" would go to 127.0.0.1, where nothing listens on this port.
  const std::string url = "http://localhost:" + std::to_string(server_.Port()) + "/pkg.bin";
  auto range = Run(0, 999, {}, "127.0.0.2", url);
  EXPECT_EQ(range->State(), kRangeSuccess);
  EXPECT_EQ(range->GetIp(), "127.0.0.2");
  EXPECT_EQ(file_.Bytes(0, 1000), body_.substr(0, 1000));
}

TEST_F(RangeTransferTest, WholeFileAnswerToARangeWritesNothingAndFails) {
  HttpFault ignore;
  ignore.ignoreRange = true;
  auto range = Run(150000, 299999, ignore);
  EXPECT_EQ(range->State(), kRangeFailed);
  EXPECT_TRUE(range->RangeIgnored());
  EXPECT_EQ(range->GetReceived(), 0);
  EXPECT_EQ(file_.Written(), 0);

  // From offset 0 the whole-file body is right, and only the range is kept.
  file_.Allow(0, 49999);
  auto head = Run(0, 49999, ignore);
  EXPECT_EQ(head->State(), kRangeSuccess);
  EXPECT_FALSE(head->RangeIgnored());
  EXPECT_EQ(file_.Bytes(0, 50000), body_.substr(0, 50000));
  EXPECT_EQ(file_.OutOfBounds(), 0);
}

TEST_F(RangeTransferTest, EndingsWithoutTheWholeRangeFail) {
  struct Case {
    const char* what;
    HttpFault fault;
    int64_t receivedAtMost;
    int http;
  };
  HttpFault truncated, reset, missing;
  truncated.truncateAt = 70000;
  reset.resetAfter = 70000;
  missing.status = 404;
  const Case cases[] = {
      {"truncated body", truncated, 70000, 206},
      {"reset connection", reset, 70000, 206},
      {"404 page", missing, 0, 404},
  };
  for (const Case& c : cases) {
    MemoryFile file{size_t(kTotal)};
    server_.Serve("/pkg.bin", body_, c.fault);
    auto range = Begin(0, kTotal - 1, server_.Url("/pkg.bin"), "", 65536, &file);
    ASSERT_TRUE(WaitFor([&] { return IsFinalRangeState(range->State()); }, std::chrono::seconds(15))) << c.what;
    EXPECT_EQ(range->State(), kRangeFailed) << c.what;
    EXPECT_LE(range->GetReceived(), c.receivedAtMost) << c.what;
    // Whatever counts as received is in the file: the rest is requested from there.
    EXPECT_EQ(range->GetSaved(), range->GetReceived()) << c.what;
    EXPECT_EQ(file.Bytes(0, range->GetSaved()), body_.substr(0, size_t(range->GetSaved()))) << c.what;
    range.reset();  // joins the transfer thread: its codes are final
  }
}

TEST_F(RangeTransferTest, FailedWritesAreNotCountedAsReceived) {
  file_.FailWrites();
  auto range = Run(0, kTotal - 1);
  EXPECT_EQ(range->State(), kRangeFailed);
  EXPECT_EQ(range->GetReceived(), 0);
  EXPECT_EQ(range->GetSaved(), 0);
}

TEST_F(RangeTransferTest, SilenceAfterSomeDataFailsTheRange) {
  OverrideRangeTimingForTesting({1, 60, 10});
  HttpFault stall;
  stall.stallAfter = 1000;
  const auto started = std::chrono::steady_clock::now();
  auto range = Run(0, kTotal - 1, stall);
  EXPECT_EQ(range->State(), kRangeFailed);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_EQ(range->GetReceived(), 1000);
  EXPECT_EQ(range->GetSaved(), 1000) << "the buffer is written when the range ends";
}

TEST_F(RangeTransferTest, CancelStopsARunningRange) {
  HttpFault stall;
  stall.stallAfter = 1000;
  server_.Serve("/pkg.bin", body_, stall);
  auto range = Begin(0, kTotal - 1, server_.Url("/pkg.bin"));
  ASSERT_TRUE(WaitFor([&] { return range->GetReceived() == 1000; }, std::chrono::seconds(5)));
  EXPECT_TRUE(range->Cancel());
  EXPECT_FALSE(range->Cancel()) << "already cancelled";
  ASSERT_TRUE(WaitFor([&] { return range->GetSaved() == 1000; }, std::chrono::seconds(3)));
  EXPECT_EQ(range->State(), kRangeCancelled);
}

TEST_F(RangeTransferTest, EmptyRestSucceedsWithoutARequest) {
  auto range = Begin(5000, 4999, server_.Url("/pkg.bin"));
  EXPECT_EQ(range->State(), kRangeSuccess);
  EXPECT_EQ(range->GetRemaining(), 0);
  EXPECT_EQ(server_.RequestCount(), 0);
}

// A split lowers the end of a range whose thread is receiving: bytes past
// the new end are neither counted nor written, and the range completes at
// its new end.
TEST_F(RangeTransferTest, SplitWhileRunningKeepsToTheLowerEnd) {
  const int64_t total = 10000000;
  const std::string body = GeneratedBytes(size_t(total), 5);
  MemoryFile file{size_t(total)};
  auto range = StartStalled("/big.bin", total, 5, 2000000, &file);
  ASSERT_EQ(range->GetReceived(), 2000000);

  std::vector<CRangeTransfer*> list = {range.get()};
  ASSERT_EQ(FindSplittableRange(list), range.get());
  EXPECT_EQ(SplitBoundsOf(*range), (RangeBounds{5999999, 9999999}));
  range->LowerEnd(5999998);
  EXPECT_EQ(range->GetRemaining(), 3999999);

  // Lowering below what already arrived cuts the count; the range is complete.
  file.Allow(0, 1499999);
  range->LowerEnd(1499999);
  ASSERT_TRUE(WaitFor([&] { return IsFinalRangeState(range->State()); }, std::chrono::seconds(5)));
  EXPECT_EQ(range->State(), kRangeSuccess);
  EXPECT_EQ(range->GetReceived(), 1500000);
  EXPECT_EQ(range->GetSaved(), 1500000);
  EXPECT_EQ(file.OutOfBounds(), 0);
  EXPECT_EQ(file.Bytes(0, 1500000), body.substr(0, 1500000));
  EXPECT_EQ(FindSplittableRange(list), nullptr);
}

// Splits racing a fast transfer: every byte still lands inside the range.
TEST_F(RangeTransferTest, SplitRacingTheTransferNeverWritesPastTheEnd) {
  const int64_t total = 8 << 20;
  const std::string body = GeneratedBytes(size_t(total), 8);
  server_.Serve("/fast.bin", body);
  for (int64_t newEnd : {int64_t(6 << 20), int64_t(3 << 20), int64_t(1 << 20)}) {
    MemoryFile file{size_t(total)};
    auto range = std::make_unique<CRangeTransfer>();
    ASSERT_TRUE(range->Init(server_.Url("/fast.bin"), 0, total - 1, "", L"C:\\fast.bin.~P2S"));
    range->SetTotal(total);
    range->SetBufferSize(kMinBufferSize);
    range->SetWriter(&file);
    ASSERT_TRUE(range->Start());
    ASSERT_TRUE(WaitFor([&] { return range->GetReceived() > 0; }, std::chrono::seconds(5)));
    range->LowerEnd(newEnd);
    file.Allow(0, newEnd);  // from here on no write may pass the new end
    ASSERT_TRUE(WaitFor([&] { return IsFinalRangeState(range->State()); }, std::chrono::seconds(10)));
    range.reset();
    EXPECT_EQ(file.OutOfBounds(), 0) << newEnd;
    EXPECT_EQ(file.Bytes(0, newEnd + 1), body.substr(0, size_t(newEnd + 1))) << newEnd;
  }
}

// Writing the buffer on request (before a resume record) makes every byte
// received so far saved, at its own offset, while the range keeps running.
TEST_F(RangeTransferTest, WriteBufferedSavesWhatTheBufferHolds) {
  const int64_t total = 4000000;
  const std::string body = GeneratedBytes(size_t(total), 7);
  MemoryFile file{size_t(total)};
  auto range = StartStalled("/buffered.bin", total, 7, 1500000, &file);
  ASSERT_EQ(range->GetReceived(), 1500000);
  EXPECT_LT(range->GetSaved(), 1500000);  // the rest past the first full buffer is still held

  range->WriteBuffered();
  EXPECT_EQ(range->GetSaved(), 1500000);
  EXPECT_EQ(range->State(), kRangeRunning);
  EXPECT_EQ(file.Bytes(0, 1500000), body.substr(0, 1500000));
  range->WriteBuffered();  // nothing held: nothing written twice
  EXPECT_EQ(file.Written(), 1500000);
}

}  // namespace
}  // namespace ns_VYN
