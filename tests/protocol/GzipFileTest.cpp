// File-to-file compression, on one thread and in blocks on several: round
// trips, the form of the compressed file, and every way it can fail.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include <zlib.h>

#include "ScratchDirectory.h"
#include "mkres/MwMemory.h"
#include "mkres/MwMemoryTestHelper.h"
#include "protocol/GzipFile.h"
#include "protocol/ParallelGzip.h"

using protocol::GzipFileInBlocks;
using protocol::kGzipBlockSize;
using protocol::RunningGzipThreads;
using protocol::StopQuery;

namespace {

// Hard-to-compress bytes mixed with repeated text.
std::string MixedContent(std::size_t size) {
  std::string content(size, '\0');
  unsigned int state = 99;
  for (std::size_t i = 0; i < size; ++i) {
    state = state * 1664525u + 1013904223u;
    content[i] = (i / 4096) % 2 == 0 ? static_cast<char>(state >> 24) : "pad file text "[i % 14];
  }
  return content;
}

// `packed` inflated by zlib as one gzip member; `whole` tells whether it was
// exactly one whole member with nothing after it.
std::string InflateMember(const std::string& packed, bool& whole) {
  z_stream stream{};
  std::string plain;
  whole = false;
  if (inflateInit2(&stream, 15 + 16) != Z_OK) return plain;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  stream.avail_in = static_cast<uInt>(packed.size());
  int result;
  do {
    char piece[65536];
    stream.next_out = reinterpret_cast<Bytef*>(piece);
    stream.avail_out = sizeof piece;
    result = inflate(&stream, Z_NO_FLUSH);
    plain.append(piece, sizeof piece - stream.avail_out);
  } while (result == Z_OK);
  whole = result == Z_STREAM_END && stream.avail_in == 0;
  inflateEnd(&stream);
  return plain;
}

class GzipFileTest : public testing::Test {
 protected:
  // `content` compressed by GzipFileInBlocks on `threads` threads.
  std::string InBlocks(const std::string& content, unsigned int threads) {
    std::string source = files_.File("source");
    std::string packed = files_.File("blocks.gz");
    EXPECT_TRUE(WriteWholeFile(source, content));
    EXPECT_TRUE(GzipFileInBlocks(source.c_str(), packed.c_str(), threads, StopQuery()));
    // The gzip program natively (where the build found one) takes it too.
    if (std::string(TEST_GZIP_PROGRAM) != "") {
      std::string check = std::string(TEST_GZIP_PROGRAM) + " -t '" + packed + "'";
      EXPECT_EQ(std::system(check.c_str()), 0) << check;
    }
    return ReadWholeFile(packed);
  }

  std::string RoundTrip(const std::string& content) {
    std::string source = files_.File("source");
    std::string packed = files_.File("packed.gz");
    std::string target = files_.File("target");
    EXPECT_TRUE(WriteWholeFile(source, content));
    EXPECT_TRUE(GzipFile(source.c_str(), packed.c_str()));
    packed_ = ReadWholeFile(packed);
    EXPECT_TRUE(GunzipFile(packed.c_str(), target.c_str()));
    return ReadWholeFile(target);
  }

  ScratchDirectory files_;
  std::string packed_;
};

TEST_F(GzipFileTest, RoundTripsKeepEveryByte) {
  const std::size_t sizes[] = {0, 1, 4095, 4096, 4097, 3 * 1024 * 1024 + 123};
  for (std::size_t size : sizes) {
    SCOPED_TRACE(size);
    std::string content = MixedContent(size);
    EXPECT_EQ(RoundTrip(content), content);
    // The gzip header: magic, deflate, no optional fields, time stamp 0.
    ASSERT_GE(packed_.size(), 18u);
    EXPECT_EQ(packed_.substr(0, 8), std::string("\x1F\x8B\x08\x00\x00\x00\x00\x00", 8));
    // The trailer ends with the length.
    std::string length = packed_.substr(packed_.size() - 4);
    unsigned long stored = 0;
    for (int i = 3; i >= 0; --i) stored = stored * 256 + static_cast<unsigned char>(length[i]);
    EXPECT_EQ(stored, static_cast<unsigned long>(size));
  }
}

TEST_F(GzipFileTest, AMissingSourceLeavesTheCompressedFileAlone) {
  std::string packed = files_.File("packed.gz");
  ASSERT_TRUE(WriteWholeFile(packed, "earlier"));
  EXPECT_FALSE(GzipFile(files_.File("missing").c_str(), packed.c_str()));
  EXPECT_EQ(ReadWholeFile(packed), "earlier");
  std::string source = files_.File("source");
  ASSERT_TRUE(WriteWholeFile(source, "x"));
  EXPECT_FALSE(GzipFile(source.c_str(), files_.File("no-such-folder/p.gz").c_str()));
}

TEST_F(GzipFileTest, DataThatIsNotCompressedIsCopied) {
  std::string source = files_.File("plain");
  std::string target = files_.File("target");
  const char bytes[] = "plain text\x1F with\0 bytes";
  std::string content(bytes, sizeof bytes - 1);
  ASSERT_TRUE(WriteWholeFile(source, content));
  EXPECT_TRUE(GunzipFile(source.c_str(), target.c_str()));
  EXPECT_EQ(ReadWholeFile(target), content);
}

TEST_F(GzipFileTest, DamagedOrMissingInputFails) {
  std::string content = MixedContent(100000);
  ASSERT_EQ(RoundTrip(content), content);
  std::string packed = files_.File("bad.gz");
  std::string target = files_.File("out");

  std::string flipped = packed_;
  flipped[flipped.size() - 6] = static_cast<char>(flipped[flipped.size() - 6] ^ 1);  // CRC
  std::string cut = packed_.substr(0, packed_.size() / 2);
  for (const std::string& bad : {flipped, cut}) {
    ASSERT_TRUE(WriteWholeFile(packed, bad));
    EXPECT_FALSE(GunzipFile(packed.c_str(), target.c_str()));
  }

  EXPECT_FALSE(GunzipFile(files_.File("missing.gz").c_str(), target.c_str()));
  EXPECT_TRUE(FileExists(target));
  EXPECT_EQ(ReadWholeFile(target), "");
  ASSERT_TRUE(WriteWholeFile(packed, packed_));
  EXPECT_FALSE(GunzipFile(packed.c_str(), files_.File("no-such-folder/out").c_str()));
}

TEST_F(GzipFileTest, BlocksJoinIntoOneMemberWithTheSingleThreadHeader) {
  RoundTrip("x");
  std::string single = packed_;
  const std::size_t sizes[] = {
      0, 1, kGzipBlockSize, kGzipBlockSize + 1, 9 * kGzipBlockSize + 123, std::size_t{64} << 20};
  for (std::size_t size : sizes) {
    SCOPED_TRACE(size);
    std::string content = MixedContent(size);
    std::string packed = InBlocks(content, 3);
    bool whole = false;
    EXPECT_TRUE(InflateMember(packed, whole) == content);
    EXPECT_TRUE(whole);
    EXPECT_EQ(packed.substr(0, 10), single.substr(0, 10));
  }
  // Cutting the input costs next to nothing in size.
  std::string content = MixedContent(9 * kGzipBlockSize + 123);
  RoundTrip(content);
  EXPECT_LT(InBlocks(content, 2).size(), packed_.size() * 101 / 100);
}

TEST_F(GzipFileTest, PadsUnderFourBlocksKeepTheSingleThreadBytes) {
  std::string content = MixedContent(4 * kGzipBlockSize - 1);
  std::string source = files_.File("pad");
  std::string packed = files_.File("pad.gz");
  ASSERT_TRUE(WriteWholeFile(source, content));
  ASSERT_TRUE(protocol::GzipPadFile(source.c_str(), packed.c_str(), StopQuery()));
  std::string packedPad = ReadWholeFile(packed);
  RoundTrip(content);
  EXPECT_TRUE(packedPad == packed_);
}

TEST_F(GzipFileTest, BlocksFailWithEveryThreadEnded) {
  std::string source = files_.File("source");
  std::string packed = files_.File("blocks.gz");
  ASSERT_TRUE(WriteWholeFile(source, MixedContent(24 * kGzipBlockSize)));
  // A stop asked for in the middle of the file.
  int asks = 0;
  StopQuery stop;
  stop.asked = [](const void* count) { return ++*static_cast<int*>(const_cast<void*>(count)) > 6; };
  stop.context = &asks;
  EXPECT_FALSE(GzipFileInBlocks(source.c_str(), packed.c_str(), 4, stop));
  EXPECT_GT(asks, 6);
  EXPECT_EQ(RunningGzipThreads(), 0);
  EXPECT_FALSE(GzipFileInBlocks(files_.File("missing").c_str(), packed.c_str(), 2, StopQuery()));
  EXPECT_FALSE(GzipFileInBlocks(files_.Path().c_str(), packed.c_str(), 2, StopQuery()));
  EXPECT_FALSE(
      GzipFileInBlocks(source.c_str(), files_.File("no-such-folder/p.gz").c_str(), 2, StopQuery()));
  EXPECT_EQ(RunningGzipThreads(), 0);
}

TEST_F(GzipFileTest, EveryAllocationFailureInBlocksFailsWithoutALeak) {
  std::string source = files_.File("source");
  std::string packed = files_.File("blocks.gz");
  ASSERT_TRUE(WriteWholeFile(source, MixedContent(5 * kGzipBlockSize)));
  long startCount = MwLiveBlockCount();
  bool failed = true;
  for (long count = 1; failed && count < 500; ++count) {
    SCOPED_TRACE(count);
    MwMemoryTestHelper::FailAllocationElsewhere(count);
    bool compressed = true;
    std::thread run(
        [&] { compressed = GzipFileInBlocks(source.c_str(), packed.c_str(), 4, StopQuery()); });
    run.join();
    failed = MwMemoryTestHelper::ArmedFailureHappened();
    MwMemoryTestHelper::FailAllocationElsewhere(0);
    EXPECT_NE(compressed, failed);
    EXPECT_EQ(MwLiveBlockCount(), startCount);
    EXPECT_EQ(RunningGzipThreads(), 0);
  }
  EXPECT_FALSE(failed) << "the compression kept allocating";
}

}  // namespace
