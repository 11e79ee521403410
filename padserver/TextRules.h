// What the server accepts in command text: the other side of the client's
// reply reader, which reads every value up to its first blank or comma, or
// up to the closing double quote, and has no escape character.
//
// So that every stored value reads back exactly as it was sent:
// - a name (attribute key) holds 1 to 255 bytes, none of them a control
//   byte, blank, "=", "," or double quote;
// - a bare value holds 1 to kMaxValueLength bytes, none of them a control
//   byte, blank, "," or double quote (numbers and truth values are bare);
// - a quoted value holds 0 to kMaxValueLength bytes, none of them a control
//   byte or double quote (it may hold blanks and commas);
// - an owner (account or group) holds 1 to 255 bytes, none of them a control
//   byte, blank or double quote.
// Control bytes are 0x00-0x1F, 0x7F and the terminator 0xFF; other bytes
// above 0x7F (texts in the client's code page) are allowed everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace padserver {

constexpr std::size_t kMaxNameLength = 255;
constexpr std::size_t kMaxValueLength = 65535;

bool IsControl(char c);
// The blanks that separate the words of a command line.
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsValidName(std::string_view name);
bool IsValidBareValue(std::string_view value);
bool IsValidQuotedValue(std::string_view value);
bool IsValidOwner(std::string_view owner);

// Decimal numbers written as the client writes them, nothing around them: an
// identifier "%lu" (0 to 4294967295) and a coordinate "%d" (a 32-bit signed
// integer, with "-" for a negative one). False for anything else.
bool ReadIdentifier(std::string_view text, std::uint32_t& number);
bool ReadCoordinate(std::string_view text, std::int32_t& number);

}  // namespace padserver
