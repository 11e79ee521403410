#include "setup/texts/StringTable.h"

#include <string>

#include "os/ResourceText.h"
#include "os/TextEncoding.h"
#include "os/UserLanguage.h"
#include "setup/texts/JapaneseTexts.h"

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

namespace {

// Both languages' texts, read once: from the program's string table where it
// has one (the Windows program), from the built-in tables otherwise.
struct TextTables {
  TextTables() {
    for (int id = 1; id <= kTextCount; ++id) {
      if (!os::LoadResourceText(id, false, &english[id])) english[id] = kEnglishTexts[id];
      if (!os::LoadResourceText(id, true, &japanese[id])) japanese[id] = SystemJapaneseTexts()[id];
    }
  }
  std::string english[kTextCount + 1];
  std::string japanese[kTextCount + 1];
};

}  // namespace

const char* LoadText(int id, Language language) {
  if (id < 1 || id > kTextCount) return "";
  static const TextTables kTables;
  return language == Language::kJapanese ? kTables.japanese[id].c_str()
                                         : kTables.english[id].c_str();
}

}  // namespace setup
