#include "padserver/TextRules.h"

#include <limits>

namespace padserver {

namespace {

// No byte of `text` is a control byte or one of `forbidden`.
bool Clean(std::string_view text, std::string_view forbidden) {
  for (char c : text) {
    if (IsControl(c) || forbidden.find(c) != std::string_view::npos) return false;
  }
  return true;
}

// The value of the decimal digits `text`, up to `limit`; false when `text` is
// empty, holds anything else or exceeds the limit.
bool ReadDigits(std::string_view text, std::uint64_t limit, std::uint64_t& number) {
  if (text.empty()) return false;
  number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<std::uint64_t>(c - '0');
    if (number > limit) return false;
  }
  return true;
}

}  // namespace

bool IsControl(char c) {
  unsigned char byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F || byte == 0xFF;
}

bool IsValidName(std::string_view name) {
  return !name.empty() && name.size() <= kMaxNameLength && Clean(name, " =,\"");
}

bool IsValidBareValue(std::string_view value) {
  return !value.empty() && value.size() <= kMaxValueLength && Clean(value, " ,\"");
}

bool IsValidQuotedValue(std::string_view value) {
  return value.size() <= kMaxValueLength && Clean(value, "\"");
}

bool IsValidOwner(std::string_view owner) {
  return !owner.empty() && owner.size() <= kMaxNameLength && Clean(owner, " \"");
}

bool ReadIdentifier(std::string_view text, std::uint32_t& number) {
  std::uint64_t value = 0;
  if (!ReadDigits(text, std::numeric_limits<std::uint32_t>::max(), value)) return false;
  number = static_cast<std::uint32_t>(value);
  return true;
}

bool ReadCoordinate(std::string_view text, std::int32_t& number) {
  bool negative = !text.empty() && text[0] == '-';
  if (negative) text.remove_prefix(1);
  std::uint64_t limit = negative ? 2147483648ULL : 2147483647ULL;
  std::uint64_t value = 0;
  if (!ReadDigits(text, limit, value)) return false;
  number = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(value))
                    : static_cast<std::int32_t>(value);
  return true;
}

}  // namespace padserver
