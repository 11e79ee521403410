// The string table in both languages.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "ExpectedCodePage.h"
#include "os/ResourceText.h"
#include "setup/texts/JapaneseTexts.h"
#include "setup/texts/StringTable.h"

namespace setup {
namespace {

// Each text says something of its own: none is empty, none stands in for
// another, in either language. English texts are plain ASCII.
TEST(StringTableTest, TextsAreDistinctAndNonEmpty) {
  for (Language language : {Language::kEnglish, Language::kJapanese}) {
    std::set<std::string> seen;
    for (int id = 1; id <= kTextCount; ++id) {
      std::string text = LoadText(id, language);
      EXPECT_FALSE(text.empty()) << "id " << id;
      EXPECT_TRUE(seen.insert(text).second) << "id " << id << " repeats \"" << text << '"';
      if (language == Language::kEnglish) {
        for (unsigned char c : text) EXPECT_LT(c, 0x80) << "id " << id;
      }
    }
  }
}

// The prefix names the message file a module brings for each language.
TEST(StringTableTest, LanguagePrefixNamesTheMessageFiles) {
  EXPECT_STREQ(LoadText(kTextLanguagePrefix, Language::kEnglish), "english.");
  EXPECT_STREQ(LoadText(kTextLanguagePrefix, Language::kJapanese), "japanese.");
}

TEST(StringTableTest, JapaneseTextsAreInTheSystemCodePage) {
  for (int id = 1; id <= kTextCount; ++id) {
    EXPECT_STREQ(LoadText(id, Language::kJapanese), ExpectedJapaneseTable()[id]) << "id " << id;
  }
  // The two built-in tables differ only in their code page: the prefix,
  // plain ASCII, is the same in both.
  EXPECT_STREQ(kJapaneseTextsCp932[kTextLanguagePrefix], kJapaneseTextsUtf8[kTextLanguagePrefix]);
}

// The Windows program reads every text from its string table resource (so the
// cases above compare the resource with the built-in tables there); other
// builds have none.
TEST(StringTableTest, TextsComeFromTheStringTableWhereTheProgramHasOne) {
  for (int id = 1; id <= kTextCount; ++id) {
    for (bool japanese : {false, true}) {
      std::string text;
      EXPECT_EQ(os::LoadResourceText(id, japanese, &text), ProgramHasStringTable()) << "id " << id;
    }
  }
  std::string text;
  EXPECT_FALSE(os::LoadResourceText(kTextCount + 1, false, &text));
}

TEST(StringTableTest, UnknownIdsGiveEmptyTexts) {
  for (int id : {-1, 0, kTextCount + 1, 1000}) {
    EXPECT_STREQ(LoadText(id, Language::kEnglish), "");
    EXPECT_STREQ(LoadText(id, Language::kJapanese), "");
  }
}

}  // namespace
}  // namespace setup
