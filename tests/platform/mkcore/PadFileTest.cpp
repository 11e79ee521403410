// The pad file: what save() writes, that load() reads it back whole, that a
// failed save leaves nothing, and that load() refuses every malformed file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "SamplePads.h"
#include "ScratchDirectory.h"
#include "mkcore/MkSimplePad.h"
#include "os/PathSeparator.h"

namespace {

// Saves `pad` to `path` as BazaroComm does (flag 0, mode 0).
char Save(MkSimplePad* pad, const std::string& path) {
  return pad->save(Txt(path.c_str()), 0, MK_SAVE_NORMAL);
}

PadPtr Load(const std::string& path) { return PadPtr(load(Txt(path.c_str()), 1)); }

// `text` with the first occurrence of `from` replaced by `to`.
std::string Replace(std::string text, const std::string& from, const std::string& to) {
  std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// A pad whose attributes nest `levels` dictionaries deep.
PadPtr PadWithNestedDictionaries(int levels) {
  PadPtr pad(new MkSimplePad("Deep"));
  MkDictionary* into = pad->GetAttributes();
  for (int i = 0; i < levels; ++i) {
    auto* nested = new MkDictionary;
    into->atPut(Txt("n"), nested);
    into = nested;
  }
  into->atPut(Txt("leaf"), 1);
  return pad;
}

// A pad with `levels` pads in a line, the first holding the second and so on.
PadPtr PadWithNestedChildren(int levels) {
  PadPtr pad(new MkSimplePad("Top"));
  MkSimplePad* parent = pad.get();
  for (int i = 1; i < levels; ++i) {
    auto* child = new MkSimplePad("Child");
    parent->AddChild(child);
    parent = child;
  }
  return pad;
}

}  // namespace

TEST(PadFileFormat, SaveWritesTheDocumentedForm) {
  ScratchDirectory scratch;
  PadPtr pad = BuildSmallPad();
  ASSERT_NE(Save(pad.get(), scratch.File("small.pad")), 0);
  EXPECT_EQ(ReadWholeFile(scratch.File("small.pad")), kSmallPadFile);

  PadPtr loaded = Load(scratch.File("small.pad"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(loaded->SameContent(pad.get()));
}

TEST(PadFileRoundTrip, EveryTypeNestingAndChildComeBackTheSame) {
  ScratchDirectory scratch;
  PadPtr pad = BuildSamplePad();
  ASSERT_NE(Save(pad.get(), scratch.File("sample.pad")), 0);
  PadPtr loaded = Load(scratch.File("sample.pad"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(loaded->SameContent(pad.get()));
  EXPECT_EQ(Describe(loaded->GetAttributes()), Describe(pad->GetAttributes()));
  ASSERT_EQ(loaded->GetChildCount(), 2u);
  EXPECT_EQ(loaded->GetChild(1)->get_view()->GetBounds(), nullptr);

  // What was loaded saves to the very same bytes.
  ASSERT_NE(Save(loaded.get(), scratch.File("again.pad")), 0);
  EXPECT_EQ(ReadWholeFile(scratch.File("again.pad")), ReadWholeFile(scratch.File("sample.pad")));
}

TEST(PadFileRoundTrip, ANullNestedDictionaryComesBackEmpty) {
  ScratchDirectory scratch;
  PadPtr pad(new MkSimplePad("Holder"));
  pad->GetAttributes()->atPut(Txt("none"), static_cast<MkDictionary*>(nullptr));
  ASSERT_NE(Save(pad.get(), scratch.File("null.pad")), 0);
  PadPtr loaded = Load(scratch.File("null.pad"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(Describe(loaded->GetAttributes()), "{none:1={}}");
}

TEST(PadFileRoundTrip, SaveReplacesAnExistingFile) {
  ScratchDirectory scratch;
  std::string path = scratch.File("old.pad");
  ASSERT_TRUE(WriteWholeFile(path, std::string(10000, 'x')));
  PadPtr pad = BuildSmallPad();
  ASSERT_NE(Save(pad.get(), path), 0);
  EXPECT_EQ(ReadWholeFile(path), kSmallPadFile);
}

TEST(PadFileRoundTrip, NestingUpToTheLimitSavesAndLoadsAndBeyondItDoesNot) {
  ScratchDirectory scratch;
  // The pad itself is the first level, each nested dictionary or child pad
  // one more.
  const struct {
    const char* name;
    PadPtr pad;
    bool fits;
  } cases[] = {
      {"dictionaries at the limit", PadWithNestedDictionaries(kMkPadFileMaxNesting - 1), true},
      {"dictionaries beyond", PadWithNestedDictionaries(kMkPadFileMaxNesting), false},
      {"children at the limit", PadWithNestedChildren(kMkPadFileMaxNesting), true},
      {"children beyond", PadWithNestedChildren(kMkPadFileMaxNesting + 1), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = scratch.File("deep.pad");
    if (c.fits) {
      ASSERT_NE(Save(c.pad.get(), path), 0);
      PadPtr loaded = Load(path);
      ASSERT_NE(loaded, nullptr);
      EXPECT_TRUE(loaded->SameContent(c.pad.get()));
    } else {
      EXPECT_EQ(Save(c.pad.get(), path), 0);
      EXPECT_FALSE(FileExists(path));
    }
    std::remove(path.c_str());
  }
}

TEST(PadFileSave, AnUnwritablePathGivesZeroAndLeavesNothing) {
  ScratchDirectory scratch;
  PadPtr pad = BuildSamplePad();
  std::string missingDirectory = scratch.File("no-such-directory");
  std::string path = missingDirectory + os::kPathSeparatorText + "pad.pad";
  EXPECT_EQ(Save(pad.get(), path), 0);
  EXPECT_FALSE(FileExists(path));
  EXPECT_FALSE(FileExists(missingDirectory));
  // A directory in the file's place cannot be written either, and stays.
  EXPECT_EQ(Save(pad.get(), scratch.Path()), 0);
  EXPECT_TRUE(FileExists(scratch.Path()));
  EXPECT_EQ(scratch.Listing(), "");

  EXPECT_EQ(pad->save(nullptr, 0, MK_SAVE_NORMAL), 0);
  EXPECT_EQ(pad->save(Txt(""), 0, MK_SAVE_NORMAL), 0);
}

TEST(PadFileLoad, MissingOrUnreadableFilesGiveNull) {
  ScratchDirectory scratch;
  EXPECT_EQ(Load(scratch.File("missing.pad")), nullptr);
  EXPECT_EQ(Load(scratch.Path()), nullptr);  // a directory
  EXPECT_EQ(load(nullptr, 1), nullptr);
  ASSERT_TRUE(WriteWholeFile(scratch.File("empty.pad"), ""));
  EXPECT_EQ(Load(scratch.File("empty.pad")), nullptr);
}

TEST(PadFileLoad, EveryTruncationOfAGoodFileIsRefused) {
  ScratchDirectory scratch;
  std::string good = kSmallPadFile;
  std::string path = scratch.File("cut.pad");
  for (std::size_t length = 0; length < good.size(); ++length) {
    ASSERT_TRUE(WriteWholeFile(path, good.substr(0, length)));
    EXPECT_EQ(Load(path), nullptr) << "cut after " << length << " bytes";
  }
  ASSERT_TRUE(WriteWholeFile(path, good));
  EXPECT_NE(Load(path), nullptr);
}

TEST(PadFileLoad, CorruptionsOfAGoodFileAreRefused) {
  const std::string good = kSmallPadFile;
  const struct {
    const char* name;
    std::string text;
  } corruptions[] = {
      {"other version", Replace(good, "MKPAD 1\n", "MKPAD 2\n")},
      {"no header", Replace(good, "MKPAD 1\n", "")},
      {"windows line ends", Replace(good, "MKPAD 1\n", "MKPAD 1\r\n")},
      {"two blanks", Replace(good, "pad 4:Note", "pad  4:Note")},
      {"class length too long", Replace(good, "4:Note", "5:Note")},
      {"class length too short", Replace(good, "4:Note", "3:Note")},
      {"class length huge", Replace(good, "4:Note", "99999999999999999999999:Note")},
      {"class length missing", Replace(good, "4:Note", ":Note")},
      {"text without colon", Replace(good, "4:Note", "4Note")},
      {"NUL inside a text", Replace(good, "6:My pad", std::string("6:My\0pad", 8))},
      {"bounds word", Replace(good, "bounds -5", "bound -5")},
      {"bounds missing a number", Replace(good, "-5 7 120 80", "-5 7 120")},
      {"bounds with a fifth number", Replace(good, "-5 7 120 80", "-5 7 120 80 1")},
      {"negative width", Replace(good, "-5 7 120 80", "-5 7 -120 80")},
      {"x beyond int", Replace(good, "-5 7 120 80", "-2147483649 7 120 80")},
      {"width beyond 32 bits", Replace(good, "-5 7 120 80", "-5 7 4294967296 80")},
      {"bounds nothing", Replace(good, "bounds none", "bounds nothing")},
      {"plus sign", Replace(good, "bounds -5 7", "bounds -5 +7")},
      {"leading zero", Replace(good, "bounds -5 7", "bounds -5 07")},
      {"negative zero", Replace(good, "5 1:x -4", "5 1:x -0")},
      {"lone minus", Replace(good, "5 1:x -4", "5 1:x -")},
      {"more attributes announced", Replace(good, "attributes 6", "attributes 7")},
      {"fewer attributes announced", Replace(good, "attributes 6", "attributes 5")},
      {"more nested entries announced", Replace(good, "1 4:meta 2", "1 4:meta 3")},
      {"fewer nested entries announced", Replace(good, "1 4:meta 2", "1 4:meta 1")},
      {"more children announced", Replace(good, "children 1", "children 2")},
      {"fewer children announced", Replace(good, "children 1", "children 0")},
      {"type code 0", Replace(good, "5 1:x -4", "0 1:x -4")},
      {"type code 6", Replace(good, "5 1:x -4", "6 1:x -4")},
      {"type code 8", Replace(good, "5 1:x -4", "8 1:x -4")},
      {"type code huge", Replace(good, "5 1:x -4", "99999999999999999999 1:x -4")},
      {"number with junk", Replace(good, "5 1:x -4", "5 1:x -4x")},
      {"integer beyond int", Replace(good, "5 1:x -4", "5 1:x 2147483648")},
      {"unsigned beyond its type", Replace(good, "4294967295", "18446744073709551616")},
      {"negative unsigned", Replace(good, "4294967295", "-1")},
      {"bool beyond char", Replace(good, "6:simage 1", "6:simage 128")},
      {"real too short", Replace(good, "3ff8000000000000", "3ff800000000000")},
      {"real too long", Replace(good, "3ff8000000000000", "3ff80000000000000")},
      {"real in capitals", Replace(good, "3ff8000000000000", "3FF8000000000000")},
      {"real in decimal", Replace(good, "3ff8000000000000", "1.5")},
      {"string value not a text", Replace(good, "4 4:name 6:My pad", "4 4:name My pad")},
      {"duplicate key", Replace(good, "5 1:x -4", "5 6:simage -4")},
      {"end missing", good.substr(0, good.size() - 4)},
      {"end misspelt", Replace(good, "end\nend\n", "end\nEnd\n")},
      {"trailing newline", good + "\n"},
      {"trailing junk", good + "x"},
      {"trailing NUL", good + std::string(1, '\0')},
      {"second pad", good + good.substr(8)},
  };
  ScratchDirectory scratch;
  std::string path = scratch.File("corrupt.pad");
  for (const auto& corruption : corruptions) {
    ASSERT_NE(corruption.text, good) << corruption.name;
    ASSERT_TRUE(WriteWholeFile(path, corruption.text));
    EXPECT_EQ(Load(path), nullptr) << corruption.name;
  }
}

TEST(PadFileLoad, HostileNestingIsRefusedWithoutExhaustingTheStack) {
  ScratchDirectory scratch;
  std::string path = scratch.File("bomb.pad");
  const int kLevels = 100000;

  std::string dictionaries = "MKPAD 1\npad 0:\nbounds none\nattributes 1\n";
  for (int i = 0; i < kLevels; ++i) dictionaries += "1 1:n 1\n";
  ASSERT_TRUE(WriteWholeFile(path, dictionaries));
  EXPECT_EQ(Load(path), nullptr);

  std::string children = "MKPAD 1\n";
  for (int i = 0; i < kLevels; ++i) children += "pad 0:\nbounds none\nattributes 0\nchildren 1\n";
  ASSERT_TRUE(WriteWholeFile(path, children));
  EXPECT_EQ(Load(path), nullptr);

  // Huge counts with nothing behind them end at the end of the file.
  ASSERT_TRUE(WriteWholeFile(path, "MKPAD 1\npad 0:\nbounds none\nattributes 4294967295\n"));
  EXPECT_EQ(Load(path), nullptr);
  ASSERT_TRUE(
      WriteWholeFile(path, "MKPAD 1\npad 0:\nbounds none\nattributes 0\nchildren 4294967295\n"));
  EXPECT_EQ(Load(path), nullptr);
}
