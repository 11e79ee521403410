#include "setup/StringTable.h"

#include "os/TextEncoding.h"
#include "os/UserLanguage.h"
#include "setup/JapaneseTexts.h"

namespace setup {

namespace {

const char* const kEnglishTexts[kTextCount + 1] = {
    "",
    "Setup Completed",
    "Unsetup Completed",
    "english.",
    "Regist Class: ",
    "Delete Class: ",
    "Finish",
    "File not found",
    "User's Datatype",
    "User's Message",
    "Windows Registory",
    "Recover Registory",
    "Cannot write file",
};

}  // namespace

const char* const* SystemJapaneseTexts() {
  return os::JapaneseTextIsCp932() ? kJapaneseTextsCp932 : kJapaneseTextsUtf8;
}

Language UserLanguage() {
  return os::UserLanguageIsJapanese() ? Language::kJapanese : Language::kEnglish;
}

const char* LoadText(int id, Language language) {
  if (id < 1 || id > kTextCount) return "";
  return language == Language::kJapanese ? SystemJapaneseTexts()[id] : kEnglishTexts[id];
}

}  // namespace setup
