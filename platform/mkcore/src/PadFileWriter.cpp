// MkSimplePad::save: the pad is formatted in memory first, then written in one
// go, so that a failure at any point leaves no partial file behind.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "PadFileFormat.h"
#include "mkcore/MkSimplePad.h"

namespace {

class PadFileWriter {
 public:
  // False when the pad nests deeper than the format allows.
  bool WritePad(MkSimplePad* pad, int depth);
  const std::string& Text() const { return text_; }

 private:
  bool WriteEntries(MkDictionary* dictionary, int depth);
  void Word(const char* word) { text_ += word; }
  void Blank() { text_ += ' '; }
  void Line() { text_ += '\n'; }
  void Number(long long value) { text_ += std::to_string(value); }
  void Unsigned(unsigned long long value) { text_ += std::to_string(value); }
  void Text(const char* text) {
    std::size_t length = std::strlen(text);
    text_ += std::to_string(length);
    text_ += ':';
    text_.append(text, length);
  }
  void Real(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 60; shift >= 0; shift -= 4) text_ += "0123456789abcdef"[(bits >> shift) & 0xF];
  }

  std::string text_;
};

bool PadFileWriter::WritePad(MkSimplePad* pad, int depth) {
  if (depth > kMkPadFileMaxNesting) return false;
  Word("pad");
  Blank();
  Text(pad->GetClassName());
  Line();
  Word("bounds");
  Blank();
  MwRectangle* bounds = pad->get_view()->GetBounds();
  if (bounds == nullptr) {
    Word("none");
  } else {
    Number(bounds->X());
    Blank();
    Number(bounds->Y());
    Blank();
    Unsigned(bounds->Width());
    Blank();
    Unsigned(bounds->Height());
  }
  Line();
  MkDictionary* attributes = pad->GetAttributes();
  Word("attributes");
  Blank();
  Unsigned(attributes->length());
  Line();
  if (!WriteEntries(attributes, depth)) return false;
  Word("children");
  Blank();
  Unsigned(pad->GetChildCount());
  Line();
  for (unsigned int i = 0; i < pad->GetChildCount(); ++i) {
    if (!WritePad(pad->GetChild(i), depth + 1)) return false;
  }
  Word("end");
  Line();
  return true;
}

bool PadFileWriter::WriteEntries(MkDictionary* dictionary, int depth) {
  for (unsigned int i = 0; i < dictionary->length(); ++i) {
    MkDictionaryValue* entry = dictionary->at(i);
    void* value = entry->get_value();
    Unsigned(static_cast<unsigned long long>(entry->get_type()));
    Blank();
    Text(entry->get_key());
    Blank();
    switch (entry->get_type()) {
      case kMkTypeDictionary: {
        MkDictionary* nested = *static_cast<MkDictionary**>(value);
        // A null nested dictionary is kept as an empty one: the file has no
        // form for "no dictionary".
        Unsigned(nested != nullptr ? nested->length() : 0);
        Line();
        if (depth + 1 > kMkPadFileMaxNesting) return false;
        if (nested != nullptr && !WriteEntries(nested, depth + 1)) return false;
        continue;
      }
      case kMkTypeBool:
        Number(*static_cast<char*>(value));
        break;
      case kMkTypeReal:
        Real(*static_cast<double*>(value));
        break;
      case kMkTypeString:
        Text(*static_cast<char**>(value));
        break;
      case kMkTypeInteger:
        Number(*static_cast<int*>(value));
        break;
      case kMkTypeUnsigned:
        Unsigned(*static_cast<unsigned long*>(value));
        break;
      default:
        return false;
    }
    Line();
  }
  return true;
}

// Writes `text` to `file`. On any failure the file is removed again.
char WriteFile(const char* file, const std::string& text) {
  std::FILE* stream = std::fopen(file, "wb");
  if (stream == nullptr) return 0;
  bool written = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
  written = std::fflush(stream) == 0 && written;
  written = std::fclose(stream) == 0 && written;
  if (!written) {
    std::remove(file);
    return 0;
  }
  return 1;
}

}  // namespace

char MkSimplePad::save(char* file, char, MKSAVEMODE) {
  if (file == nullptr || file[0] == '\0') return 0;
  try {
    PadFileWriter writer;
    if (!writer.WritePad(this, 1)) return 0;
    std::string text = mkcore::kPadFileHeader + writer.Text();
    return WriteFile(file, text);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}
