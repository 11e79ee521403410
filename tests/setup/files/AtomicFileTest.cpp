// mkinstall's file replacement: its new files are "<destination>.<n>.new",
// and those a killed run left behind are removed by the next write of the
// same destination, unless they are no plain file of ours.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <gtest/gtest.h>

#include "SetupTestSupport.h"
#include "setup/files/AtomicFile.h"

namespace setup {
namespace {

namespace fs = std::filesystem;

// A directory cannot be removed as a file; a link is someone else's and
// removing it (or, worse, what it leads to) is not for an elevated program to
// do. Both are passed by; the write takes the next free name.
TEST(AtomicFileTest, LeftoverNewFilesAreRemovedOrPassedBy) {
  ScratchDirectory scratch;
  ScratchDirectory outside;
  const std::string path = scratch.File("nametab.lst");
  WriteText(path, "old\n");
  ASSERT_TRUE(MakeDirectory(path + ".1.new"));
  WriteText(path + ".2.new", "leftover of a crash\n");
  WriteText(path + ".7.new", "leftover of a crash\n");
  const std::string target = outside.File("precious");
  WriteText(target, "precious\n");
  std::error_code noLink;
  fs::create_symlink(target, path + ".3.new", noLink);  // where the system lets us
  AtomicFile file;
  std::FILE* stream = file.Open(path);
  ASSERT_NE(stream, nullptr);
  std::fputs("new\n", stream);
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(ReadText(path), "new\n");
  EXPECT_EQ(ReadText(target), "precious\n");
  EXPECT_EQ(scratch.Listing(), noLink ? "nametab.lst nametab.lst.1.new"
                                      : "nametab.lst nametab.lst.1.new nametab.lst.3.new");
}

}  // namespace
}  // namespace setup
