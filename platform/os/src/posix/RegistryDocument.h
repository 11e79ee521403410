// A registry file in the .reg export format, held as its lines.
//
// Parsing never fails: every line the reader does not understand is kept as
// it is and written back unchanged, and so are the lines of values that were
// not changed. Key paths ("HKEY_LOCAL_MACHINE\SOFTWARE\...") and value names
// compare without regard to ASCII case. When a value or a section occurs more
// than once, the last one counts, as when the file is imported.
#pragma once

#include <string>
#include <vector>

namespace os {

struct RegistryValue {
  unsigned long type = 0;    // REG_SZ or REG_DWORD
  std::string text;          // REG_SZ
  unsigned long number = 0;  // REG_DWORD
};

class RegistryDocument {
 public:
  // An empty file: the format's first line and nothing else.
  RegistryDocument();

  static RegistryDocument Parse(const std::string& text);
  std::string Serialize() const;

  // True when the key, or a key below it, has a section.
  bool HasKey(const std::string& path) const;
  // Appends an empty section for the key.
  void AddKey(const std::string& path);

  // False when the value is missing or written in a form this reader does not
  // know (hex: and the like).
  bool FindValue(const std::string& path, const std::string& name, RegistryValue* value) const;
  // Replaces the value where it stands, or adds it at the end of the key's
  // section (adding the section when needed). The name "" is the default value.
  void SetValue(const std::string& path, const std::string& name, const RegistryValue& value);
  // Removes every line of the value; false when there was none.
  bool RemoveValue(const std::string& path, const std::string& name);

  // Text that can be written between quotes: no line breaks.
  static bool CanHold(const std::string& text);

  // The path of the key `path` in the registry's 32-bit view, as an export of
  // a 64-bit Windows registry shows it: keys below
  // HKEY_LOCAL_MACHINE\SOFTWARE lie below its WOW6432Node key there; every
  // other key is the same in both views. Of the keys below SOFTWARE that both
  // views share, only the App Paths key is known here.
  static std::string In32BitView(const std::string& path);

 private:
  struct Entry {
    std::vector<std::string> lines;  // as read, or as formatted after a change
    bool isValue = false;
    bool readable = false;  // isValue and in a form FindValue understands
    std::string name;
    RegistryValue value;
  };
  struct Section {
    std::string header;  // the line as read
    std::string path;
    bool removal = false;  // "[-path]": imported as a deletion; never matched
    std::vector<Entry> entries;
  };

  Entry* FindEntry(const std::string& path, const std::string& name);
  Section* LastSection(const std::string& path);

  bool byteOrderMark_ = false;
  bool crlf_ = false;
  std::vector<std::string> preamble_;
  std::vector<Section> sections_;
};

}  // namespace os
