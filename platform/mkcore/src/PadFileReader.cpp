// load: reads a pad file strictly. The whole file is read into memory and
// parsed with bounds checks on every step; anything that does not follow the
// format exactly makes load return null.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>

#include "PadFileFormat.h"
#include "mkcore/MkSimplePad.h"

namespace {

constexpr long long kIntMin = std::numeric_limits<int>::min();
constexpr long long kIntMax = std::numeric_limits<int>::max();
constexpr unsigned long long kCountMax = std::numeric_limits<unsigned int>::max();

class PadFileReader {
 public:
  PadFileReader(const char* begin, const char* end) : at_(begin), end_(end) {}

  // The pad that the text holds, or null when it is malformed.
  MkSimplePad* ReadFile();

 private:
  std::unique_ptr<MkSimplePad> ReadPad(int depth);
  bool ReadEntries(MkDictionary* dictionary, unsigned long long count, int depth);
  bool ReadEntry(MkDictionary* dictionary, int depth);

  // Each consumes what it read and returns false, consuming nothing useful,
  // when the text does not hold it.
  bool Literal(const char* literal);
  bool Unsigned(unsigned long long max, unsigned long long& value);
  bool Signed(long long min, long long max, long long& value);
  bool Text(std::string& text);
  bool Real(double& value);

  const char* at_;
  const char* end_;
};

MkSimplePad* PadFileReader::ReadFile() {
  if (!Literal(mkcore::kPadFileHeader)) return nullptr;
  std::unique_ptr<MkSimplePad> pad = ReadPad(1);
  if (pad == nullptr || at_ != end_) return nullptr;  // trailing bytes too
  return pad.release();
}

std::unique_ptr<MkSimplePad> PadFileReader::ReadPad(int depth) {
  if (depth > kMkPadFileMaxNesting) return nullptr;
  std::string className;
  if (!Literal("pad ") || !Text(className) || !Literal("\n")) return nullptr;
  auto pad = std::make_unique<MkSimplePad>(className.c_str());

  if (!Literal("bounds ")) return nullptr;
  if (Literal("none\n")) {
    pad->get_view()->ClearBounds();
  } else {
    long long x, y;
    unsigned long long width, height;
    constexpr unsigned long long kMaxSize = kCountMax;
    if (!Signed(kIntMin, kIntMax, x) || !Literal(" ") || !Signed(kIntMin, kIntMax, y) ||
        !Literal(" ") || !Unsigned(kMaxSize, width) || !Literal(" ") ||
        !Unsigned(kMaxSize, height) || !Literal("\n")) {
      return nullptr;
    }
    pad->get_view()->SetBounds(static_cast<int>(x), static_cast<int>(y),
                               static_cast<unsigned int>(width), static_cast<unsigned int>(height));
  }

  unsigned long long count;
  if (!Literal("attributes ") || !Unsigned(kCountMax, count) || !Literal("\n")) return nullptr;
  if (!ReadEntries(pad->GetAttributes(), count, depth)) return nullptr;

  if (!Literal("children ") || !Unsigned(kCountMax, count) || !Literal("\n")) return nullptr;
  for (unsigned long long i = 0; i < count; ++i) {
    std::unique_ptr<MkSimplePad> child = ReadPad(depth + 1);
    if (child == nullptr) return nullptr;
    pad->AddChild(child.release());
    if (pad->GetChildCount() != i + 1) return nullptr;  // no room to keep it
  }
  if (!Literal("end\n")) return nullptr;
  return pad;
}

bool PadFileReader::ReadEntries(MkDictionary* dictionary, unsigned long long count, int depth) {
  for (unsigned long long i = 0; i < count; ++i) {
    if (!ReadEntry(dictionary, depth)) return false;
  }
  return true;
}

bool PadFileReader::ReadEntry(MkDictionary* dictionary, int depth) {
  unsigned long long type;
  std::string key;
  if (!Unsigned(kMkTypeUnsigned, type) || !Literal(" ") || !Text(key) || !Literal(" ")) {
    return false;
  }
  char* keyText = &key[0];
  // A key appears once in a dictionary: a repeated one would silently drop
  // an entry and change the count.
  if (dictionary->at(keyText) != nullptr) return false;
  MkDictionaryValue* stored = nullptr;
  switch (type) {
    case kMkTypeDictionary: {
      unsigned long long count;
      if (depth + 1 > kMkPadFileMaxNesting || !Unsigned(kCountMax, count) || !Literal("\n")) {
        return false;
      }
      MkDictionary* nested = new MkDictionary;
      stored = dictionary->atPut(keyText, nested);  // taken over even on failure
      return stored != nullptr && ReadEntries(nested, count, depth + 1);
    }
    case kMkTypeBool: {
      long long value;
      if (!Signed(std::numeric_limits<char>::min(), std::numeric_limits<char>::max(), value)) {
        return false;
      }
      stored = dictionary->atPut(keyText, static_cast<char>(value));
      break;
    }
    case kMkTypeReal: {
      double value;
      if (!Real(value)) return false;
      stored = dictionary->atPut(keyText, value);
      break;
    }
    case kMkTypeString: {
      std::string value;
      if (!Text(value)) return false;
      stored = dictionary->atPut(keyText, &value[0]);
      break;
    }
    case kMkTypeInteger: {
      long long value;
      if (!Signed(kIntMin, kIntMax, value)) return false;
      stored = dictionary->atPut(keyText, static_cast<int>(value));
      break;
    }
    case kMkTypeUnsigned: {
      unsigned long long value;
      if (!Unsigned(std::numeric_limits<unsigned long>::max(), value)) return false;
      unsigned long number = static_cast<unsigned long>(value);
      stored = dictionary->atPut(keyText, &number, kMkTypeUnsigned);
      break;
    }
    default:
      return false;  // 0, 6 and codes this model does not know
  }
  return stored != nullptr && Literal("\n");
}

bool PadFileReader::Literal(const char* literal) {
  std::size_t length = std::strlen(literal);
  if (static_cast<std::size_t>(end_ - at_) < length || std::memcmp(at_, literal, length) != 0) {
    return false;
  }
  at_ += length;
  return true;
}

bool PadFileReader::Unsigned(unsigned long long max, unsigned long long& value) {
  const char* p = at_;
  if (p == end_ || *p < '0' || *p > '9') return false;
  if (*p == '0' && p + 1 != end_ && p[1] >= '0' && p[1] <= '9') return false;  // leading zero
  value = 0;
  while (p != end_ && *p >= '0' && *p <= '9') {
    unsigned digit = static_cast<unsigned>(*p - '0');
    if (digit > max || value > (max - digit) / 10) return false;
    value = value * 10 + digit;
    ++p;
  }
  at_ = p;
  return true;
}

bool PadFileReader::Signed(long long min, long long max, long long& value) {
  bool negative = at_ != end_ && *at_ == '-';
  const char* start = at_;
  if (negative) ++at_;
  unsigned long long magnitude;
  // The magnitude of min, computed without overflowing.
  unsigned long long limit = negative ? static_cast<unsigned long long>(-(min + 1)) + 1
                                      : static_cast<unsigned long long>(max);
  if (!Unsigned(limit, magnitude) || (negative && magnitude == 0)) {  // no "-0"
    at_ = start;
    return false;
  }
  value = negative ? -static_cast<long long>(magnitude - 1) - 1 : static_cast<long long>(magnitude);
  return true;
}

bool PadFileReader::Text(std::string& text) {
  unsigned long long length;
  if (!Unsigned(static_cast<unsigned long long>(end_ - at_), length) || !Literal(":")) return false;
  if (static_cast<unsigned long long>(end_ - at_) < length) return false;
  // Texts end at their first NUL once loaded, so a file cannot carry one.
  if (std::memchr(at_, '\0', static_cast<std::size_t>(length)) != nullptr) return false;
  text.assign(at_, static_cast<std::size_t>(length));
  at_ += length;
  return true;
}

bool PadFileReader::Real(double& value) {
  if (end_ - at_ < 16) return false;
  std::uint64_t bits = 0;
  for (int i = 0; i < 16; ++i) {
    char c = at_[i];
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else {
      return false;
    }
    bits = bits << 4 | digit;
  }
  at_ += 16;
  std::memcpy(&value, &bits, sizeof value);
  return true;
}

// The whole file, or false when it cannot be read or is too large.
bool ReadWholeFile(const char* file, std::string& content) {
  std::FILE* stream = std::fopen(file, "rb");
  if (stream == nullptr) return false;
  char buffer[16384];
  bool ok = true;
  for (;;) {
    std::size_t got = std::fread(buffer, 1, sizeof buffer, stream);
    content.append(buffer, got);
    if (content.size() > mkcore::kPadFileMaxBytes) {
      ok = false;
      break;
    }
    if (got < sizeof buffer) {
      ok = std::ferror(stream) == 0;
      break;
    }
  }
  std::fclose(stream);
  return ok;
}

}  // namespace

MkSimplePad* load(char* file, char) {
  if (file == nullptr) return nullptr;
  try {
    std::string content;
    if (!ReadWholeFile(file, content)) return nullptr;
    PadFileReader reader(content.data(), content.data() + content.size());
    return reader.ReadFile();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
