// File-to-file compression: round trips, the form of the compressed file,
// and every way it can fail.
#include <gtest/gtest.h>

#include <string>

#include "ScratchDirectory.h"
#include "protocol/GzipFile.h"

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

class GzipFileTest : public testing::Test {
 protected:
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

}  // namespace
