// The registry file reader: a file written from what was read reads back to
// the same text, and a value set in it is found again, before and after the
// file is written and read back.
//
// The input is a registry file; its last line, when it holds a tab, also
// names a key below SOFTWARE, a value name and a text to set there
// ("key<TAB>name<TAB>text").
#include "FuzzSupport.h"
#include "RegistryDocument.h"
#include "os/RegistryApi.h"

using os::RegistryDocument;
using os::RegistryValue;

namespace {

bool SameValue(const RegistryValue& a, const RegistryValue& b) {
  return a.type == b.type && a.text == b.text && a.number == b.number;
}

// Splits the input's last line at its first two tabs.
bool ReadSetting(const std::string& text, std::string* key, std::string* name, std::string* value) {
  std::size_t lineStart = text.rfind('\n');
  std::string line = text.substr(lineStart == std::string::npos ? 0 : lineStart + 1);
  std::size_t first = line.find('\t');
  std::size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
  if (second == std::string::npos) return false;
  *key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\" + line.substr(0, first);
  *name = line.substr(first + 1, second - first - 1);
  *value = line.substr(second + 1);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  RegistryDocument document = RegistryDocument::Parse(text);
  std::string written = document.Serialize();
  // Written again, the text stays as it is. (A file whose first line ends
  // without CR is written with bare line ends, and loses one CR before each
  // line end per writing: a stray CR that no exported file has.)
  if (text.find("\r\r") == std::string::npos) {
    FUZZ_CHECK(RegistryDocument::Parse(written).Serialize() == written);
  }

  std::string key, name, value;
  if (!ReadSetting(text, &key, &name, &value)) return 0;
  // Key names here never begin or end with a blank (a section header is read
  // without them).
  if (key.back() == ' ' || key.back() == '\t') return 0;
  if (!RegistryDocument::CanHold(key) || !RegistryDocument::CanHold(name) ||
      !RegistryDocument::CanHold(value)) {
    return 0;
  }
  RegistryValue set;
  set.type = REG_SZ;
  set.text = value;
  document.SetValue(key, name, set);
  RegistryValue found;
  FUZZ_CHECK(document.FindValue(key, name, &found) && SameValue(found, set));
  FUZZ_CHECK(document.HasKey(key));
  RegistryDocument reread = RegistryDocument::Parse(document.Serialize());
  FUZZ_CHECK(reread.FindValue(key, name, &found) && SameValue(found, set));
  return 0;
}
