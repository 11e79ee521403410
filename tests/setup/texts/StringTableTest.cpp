// The string table in both languages.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "ExpectedCodePage.h"
#include "os/ResourceText.h"
#include "setup/texts/JapaneseTexts.h"
#include "setup/texts/StringTable.h"

namespace setup {
namespace {

TEST(StringTableTest, EnglishTexts) {
  const char* const expected[] = {
      "Setup Completed",   "Unsetup Completed", "english.",
      "Regist Class: ",    "Delete Class: ",    "Finish",
      "File not found",    "User's Datatype",   "User's Message",
      "Windows Registory", "Recover Registory", "Cannot write file",
  };
  for (int id = 1; id <= kTextCount; ++id) {
    EXPECT_STREQ(LoadText(id, Language::kEnglish), expected[id - 1]) << "id " << id;
  }
}

TEST(StringTableTest, JapaneseTextsInUtf8) {
  const char* const expected[] = {
      u8"セットアップ終了",
      u8"アンセットアップ終了",
      u8"japanese.",
      u8"登録中のクラス: ",
      u8"削除中のクラス: ",
      u8"設定終了",
      u8"ファイルが見つかりませんでした。",
      u8"ユーザ定義型の追加中",
      u8"メッセージファイルの追加中",
      u8"Windowsのレジストリ",
      u8"レジストリ復元中",
      u8"ファイルに書き込めませんでした。",
  };
  for (int id = 1; id <= kTextCount; ++id) {
    EXPECT_STREQ(kJapaneseTextsUtf8[id], expected[id - 1]) << "id " << id;
  }
}

TEST(StringTableTest, JapaneseTextsAreInTheSystemCodePage) {
  for (int id = 1; id <= kTextCount; ++id) {
    EXPECT_STREQ(LoadText(id, Language::kJapanese), ExpectedJapaneseTable()[id]) << "id " << id;
  }
  // The prefix names files; it is plain ASCII in both tables.
  EXPECT_STREQ(kJapaneseTextsCp932[kTextLanguagePrefix], "japanese.");
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
