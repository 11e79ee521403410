// The program's user-visible texts, in English and Japanese.
//
// Texts are byte strings in the system's code page: the Japanese ones are
// UTF-8 on POSIX and CP932 (Shift JIS) on Windows. The language is chosen
// once per run, from the user-interface language.
#pragma once

namespace setup {

enum class Language { kEnglish, kJapanese };

// Japanese on a Japanese system, English otherwise.
Language UserLanguage();

// The string table's ids.
enum TextId : int {
  kTextSetupCompleted = 1,    // end of an install run
  kTextUnsetupCompleted = 2,  // end of a removal run
  kTextLanguagePrefix = 3,    // not shown: prefix of message file names
  kTextRegistClass = 4,       // class step, install
  kTextDeleteClass = 5,       // class step, removal
  kTextFinish = 6,            // class step done
  kTextFileNotFound = 7,      // a file to read is missing
  kTextUserDatatype = 8,      // user type step
  kTextUserMessage = 9,       // message step
  kTextWindowsRegistry = 10,  // registry restore (not reached by a run)
  kTextRecoverRegistry = 11,  // registry restore (not reached by a run)
  kTextCannotWrite = 12,      // a file to change could not be written
};

constexpr int kTextCount = 12;

// The text `id` in `language`; "" for an id outside 1 to kTextCount. The
// Windows program reads it from its string table resource, other builds from
// the built-in tables. The text is static and never freed.
const char* LoadText(int id, Language language);

}  // namespace setup
