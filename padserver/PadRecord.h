// The pad model as the server keeps it: a record per pad with its parent,
// position, owner and named attribute values, and the change a Set command
// makes to one.
//
// Attribute values are kept as the text the client sent, together with how
// it was written (quoted or bare), so that they go back exactly as they came:
// numbers and truth values bare, strings quoted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace padserver {

using PadId = std::uint32_t;

// The parent of a top pad.
constexpr PadId kNoParent = 0;

struct AttributeValue {
  std::string text;     // without the quotes
  bool quoted = false;  // written "text" rather than text
};

inline bool operator==(const AttributeValue& a, const AttributeValue& b) {
  return a.text == b.text && a.quoted == b.quoted;
}

struct Attribute {
  std::string name;
  AttributeValue value;
};

// The owner a pad has until a command names one.
constexpr char kDefaultOwner[] = "guest";

struct PadRecord {
  PadId id = 0;
  PadId parent = kNoParent;
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::string account = kDefaultOwner;
  std::string group = kDefaultOwner;
  std::vector<Attribute> attributes;  // in the order they were first set
};

// What a Set command changes; fields left empty keep their stored value.
// Attributes are set one by one, replacing a value of the same name.
struct PadChange {
  std::optional<PadId> parent;
  std::optional<std::int32_t> x;
  std::optional<std::int32_t> y;
  std::optional<std::string> account;
  std::optional<std::string> group;
  std::vector<Attribute> attributes;
};

}  // namespace padserver
