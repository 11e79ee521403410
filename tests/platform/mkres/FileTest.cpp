// Files: the open modes, binary reading and writing in blocks, lengths,
// existence and removal.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "ScratchDirectory.h"
#include "mkres/MwFile.h"
#include "mkres/MwPath.h"

namespace {

// A file object on `name`, as the client builds one: a path and a file on it.
struct FileOn {
  explicit FileOn(const std::string& fileName)
      : name(fileName), path(&name[0], nullptr), file(&path) {}
  std::string name;
  MwPath path;
  MwFile file;
};

// Every byte value, so that line ends and Ctrl-Z would show any text-mode
// translation.
std::string Pattern(std::size_t size) {
  std::string data(size, '\0');
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
  return data;
}

const unsigned long kBlock = 4096;

class MwFileTest : public testing::Test {
 protected:
  ScratchDirectory scratch;
};

}  // namespace

TEST_F(MwFileTest, WrittenBlocksReadBackWithAShortLastRead) {
  const std::string data = Pattern(2 * kBlock + 1808);
  FileOn out(scratch.File("blocks.bin"));
  ASSERT_EQ(1, out.file.Open(MW_OPEN_WRITE));
  for (std::size_t at = 0; at < data.size(); at += kBlock) {
    unsigned long size =
        static_cast<unsigned long>(std::min<std::size_t>(kBlock, data.size() - at));
    EXPECT_EQ(size, out.file.Write(data.data() + at, size));
  }
  EXPECT_EQ(data.size(), out.file.FileLength()) << "length while open for writing";
  EXPECT_EQ(1, out.file.Close());
  EXPECT_EQ(data, ReadWholeFile(out.name));

  FileOn in(out.name);
  EXPECT_EQ(1, in.file.IsExist());
  EXPECT_EQ(data.size(), in.file.FileLength()) << "length while closed";
  ASSERT_EQ(1, in.file.OpenRead());
  EXPECT_EQ(data.size(), in.file.FileLength()) << "length while open for reading";
  std::string readBack;
  std::vector<unsigned long> counts;
  std::vector<char> buffer(kBlock);
  for (;;) {
    unsigned long count = in.file.Read(buffer.data(), kBlock);
    counts.push_back(count);
    readBack.append(buffer.data(), count);
    if (count < kBlock) break;
  }
  EXPECT_EQ((std::vector<unsigned long>{kBlock, kBlock, 1808}), counts);
  EXPECT_EQ(data, readBack) << "measuring the length must not move the read position";
  EXPECT_EQ(0u, in.file.Read(buffer.data(), kBlock));
  EXPECT_EQ(1, in.file.Close());
}

// Past 2 GiB a signed 32-bit offset overflows, past 4 GiB a 32-bit length.
// Where unsigned long is 32 bits wide (Windows), a file longer than it can
// count reads as the largest length, never as a cut-down one; where it is 64
// bits wide every length is exact.
TEST_F(MwFileTest, LongFilesAreMeasuredWithoutWrapping) {
  const unsigned long long kSizes[] = {0x80000001ull, 0x10000000Aull};
  for (unsigned long long size : kSizes) {
    SCOPED_TRACE(size);
    FileOn file(scratch.File("long.bin"));
    ASSERT_TRUE(WriteWholeFile(file.name, "x"));
    std::filesystem::resize_file(file.name, size);  // sparse: takes no disk space
    const unsigned long expected = static_cast<unsigned long>(
        std::min<unsigned long long>(size, std::numeric_limits<unsigned long>::max()));
    EXPECT_EQ(expected, file.file.FileLength()) << "closed";
    ASSERT_EQ(1, file.file.OpenRead());
    EXPECT_EQ(expected, file.file.FileLength()) << "open";
    char first = 0;
    EXPECT_EQ(1u, file.file.Read(&first, 1));
    EXPECT_EQ('x', first) << "measuring must not move the read position";
    EXPECT_EQ(1, file.file.Close());
  }
}

TEST_F(MwFileTest, ReadModeOpensOnlyExistingFiles) {
  const std::string name = scratch.File("existing.txt");
  ASSERT_TRUE(WriteWholeFile(name, "line one\r\nline two\n\x1A tail"));
  FileOn existing(name);
  ASSERT_EQ(1, existing.file.Open(MW_OPEN_READ));
  char buffer[64] = {};
  EXPECT_EQ(25u, existing.file.Read(buffer, sizeof buffer));
  EXPECT_EQ(std::string("line one\r\nline two\n\x1A tail"), std::string(buffer, 25));
  EXPECT_EQ(0u, existing.file.Write("x", 1)) << "a file opened for reading is not written";

  FileOn missing(scratch.File("missing.txt"));
  EXPECT_EQ(0, missing.file.Open(MW_OPEN_READ));
  EXPECT_EQ(0, missing.file.OpenRead());
  EXPECT_EQ(0u, missing.file.Read(buffer, sizeof buffer));
  EXPECT_FALSE(FileExists(missing.name)) << "reading never creates the file";
}

TEST_F(MwFileTest, WriteModeCreatesOrTruncates) {
  FileOn fresh(scratch.File("fresh.txt"));
  ASSERT_EQ(1, fresh.file.Open(MW_OPEN_WRITE));
  EXPECT_EQ(1, fresh.file.Close());
  EXPECT_EQ(1, fresh.file.IsExist());
  EXPECT_EQ(0u, fresh.file.FileLength());

  const std::string name = scratch.File("old.txt");
  ASSERT_TRUE(WriteWholeFile(name, std::string(500, 'o')));
  FileOn old(name);
  ASSERT_EQ(1, old.file.Open(MW_OPEN_WRITE));
  EXPECT_EQ(3u, old.file.Write("new", 3));
  EXPECT_EQ(1, old.file.Close());
  EXPECT_EQ("new", ReadWholeFile(name));
}

TEST_F(MwFileTest, OtherModesAreRefused) {
  FileOn file(scratch.File("refused.txt"));
  EXPECT_EQ(0, file.file.Open(static_cast<MWOPENMODE>(1)));
  EXPECT_EQ(0, file.file.Open(static_cast<MWOPENMODE>(3)));
  EXPECT_EQ(0u, file.file.Write("x", 1));
  EXPECT_EQ(0, file.file.IsExist());
  EXPECT_FALSE(FileExists(file.name));
}

TEST_F(MwFileTest, OpeningAgainClosesTheFileFirst) {
  FileOn file(scratch.File("again.txt"));
  ASSERT_EQ(1, file.file.Open(MW_OPEN_WRITE));
  EXPECT_EQ(5u, file.file.Write("hello", 5));
  ASSERT_EQ(1, file.file.Open(MW_OPEN_READ));
  char buffer[16] = {};
  EXPECT_EQ(5u, file.file.Read(buffer, sizeof buffer));
  EXPECT_EQ("hello", std::string(buffer, 5));
}

TEST_F(MwFileTest, UnopenedFileReadsWritesAndClosesNothing) {
  FileOn file(scratch.File("never.txt"));
  char buffer[8];
  EXPECT_EQ(0u, file.file.Read(buffer, sizeof buffer));
  EXPECT_EQ(0u, file.file.Write("abc", 3));
  EXPECT_EQ(0, file.file.Close());
  EXPECT_EQ(0, file.file.IsExist());
  EXPECT_EQ(0u, file.file.FileLength());
}

TEST_F(MwFileTest, DestructionClosesAndKeepsWhatWasWritten) {
  const std::string name = scratch.File("kept.txt");
  {
    FileOn file(name);
    ASSERT_EQ(1, file.file.Open(MW_OPEN_WRITE));
    EXPECT_EQ(4u, file.file.Write("kept", 4));
  }
  EXPECT_EQ("kept", ReadWholeFile(name));
  FileOn removal(name);
  EXPECT_EQ(1, removal.file.Delete()) << "the closed file can be removed";
}

TEST_F(MwFileTest, DeleteRemovesTheFileOpenOrNot) {
  FileOn closed(scratch.File("closed.txt"));
  ASSERT_TRUE(WriteWholeFile(closed.name, "data"));
  EXPECT_EQ(1, closed.file.Delete());
  EXPECT_FALSE(FileExists(closed.name));

  FileOn open(scratch.File("open.txt"));
  ASSERT_EQ(1, open.file.Open(MW_OPEN_WRITE));
  EXPECT_EQ(4u, open.file.Write("data", 4));
  EXPECT_EQ(1, open.file.Delete());
  EXPECT_FALSE(FileExists(open.name));
  EXPECT_EQ(0u, open.file.Write("more", 4)) << "deleting closed the file";

  FileOn missing(scratch.File("missing.txt"));
  EXPECT_EQ(1, missing.file.Delete()) << "a missing file counts as removed";
}

TEST_F(MwFileTest, DeleteReportsWhatCannotBeRemoved) {
  // A directory with an entry in it cannot be removed as a file.
  FileOn directory(scratch.Path());
  ASSERT_TRUE(WriteWholeFile(scratch.File("inside.txt"), "x"));
  EXPECT_EQ(0, directory.file.Delete());
  EXPECT_TRUE(FileExists(scratch.File("inside.txt")));
}
