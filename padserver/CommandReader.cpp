#include "padserver/CommandReader.h"

#include "padserver/TextRules.h"

namespace padserver {

namespace {

constexpr char kTerminator = '\xFF';

Status Malformed(const char* reason) { return Status::Fail(kBadRequest, reason); }

// Walks through one command line word by word.
class LineScanner {
 public:
  explicit LineScanner(std::string_view line) : line_(line) {}

  // True when only blanks are left.
  bool AtEnd() {
    SkipBlanks();
    return at_ == line_.size();
  }

  // The next run of non-blank bytes; empty at the end of the line.
  std::string_view Word() {
    SkipBlanks();
    std::size_t start = at_;
    while (at_ < line_.size() && !IsBlank(line_[at_])) ++at_;
    return line_.substr(start, at_ - start);
  }

  // One NAME=VALUE or NAME="VALUE" at the scanner's position.
  Status ReadAttribute(std::string& name, AttributeValue& value) {
    std::string_view word = Word();
    std::size_t equals = word.find('=');
    if (equals == std::string_view::npos) return Malformed("attribute without a value");
    std::string_view key = word.substr(0, equals);
    if (!IsValidName(key)) return Malformed("bad attribute name");
    name = std::string(key);
    // The value starts right behind "=" and may run past the word's end
    // when it is quoted and holds blanks.
    std::size_t valueStart = at_ - word.size() + equals + 1;
    if (valueStart < line_.size() && line_[valueStart] == '"') {
      std::size_t closing = line_.find('"', valueStart + 1);
      if (closing == std::string_view::npos) return Malformed("unterminated quoted value");
      if (closing + 1 < line_.size() && !IsBlank(line_[closing + 1])) {
        return Malformed("text right behind a quoted value");
      }
      value.text = std::string(line_.substr(valueStart + 1, closing - valueStart - 1));
      value.quoted = true;
      at_ = closing + 1;
      return IsValidQuotedValue(value.text) ? Status::Ok() : Malformed("bad attribute value");
    }
    value.text = std::string(line_.substr(valueStart, at_ - valueStart));
    value.quoted = false;
    return IsValidBareValue(value.text) ? Status::Ok() : Malformed("bad attribute value");
  }

 private:
  void SkipBlanks() {
    while (at_ < line_.size() && IsBlank(line_[at_])) ++at_;
  }

  std::string_view line_;
  std::size_t at_ = 0;
};

Status ReadPadId(LineScanner& scanner, PadId& id, const char* reason) {
  return ReadIdentifier(scanner.Word(), id) ? Status::Ok() : Malformed(reason);
}

// Files one attribute into `change`: the pad's own fields by their names,
// every other name as an attribute.
Status FileAttribute(std::string name, AttributeValue value, PadChange& change) {
  if (name == "id" || name == "pid") return Malformed("reserved attribute name");
  if (name == "x" || name == "y") {
    std::int32_t number = 0;
    if (value.quoted || !ReadCoordinate(value.text, number)) {
      return Malformed("position is not a number");
    }
    (name == "x" ? change.x : change.y) = number;
    return Status::Ok();
  }
  if (name == "account" || name == "group") {
    if (!IsValidOwner(value.text)) return Malformed("bad owner");
    (name == "account" ? change.account : change.group) = std::move(value.text);
    return Status::Ok();
  }
  change.attributes.push_back(Attribute{std::move(name), std::move(value)});
  return Status::Ok();
}

Status ReadAttributes(LineScanner& scanner, PadChange& change) {
  while (!scanner.AtEnd()) {
    std::string name;
    AttributeValue value;
    Status status = scanner.ReadAttribute(name, value);
    if (status.IsOk()) status = FileAttribute(std::move(name), std::move(value), change);
    if (!status.IsOk()) return status;
  }
  return Status::Ok();
}

// "PARENT X Y ACCOUNT GROUP" of SetPadInfo.
Status ReadPlacement(LineScanner& scanner, PadChange& change) {
  PadId parent = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  Status status = ReadPadId(scanner, parent, "parent identifier is not a number");
  if (!status.IsOk()) return status;
  if (!ReadCoordinate(scanner.Word(), x) || !ReadCoordinate(scanner.Word(), y)) {
    return Malformed("position is not a number");
  }
  std::string_view account = scanner.Word();
  std::string_view group = scanner.Word();
  if (!IsValidOwner(account) || !IsValidOwner(group)) return Malformed("bad owner");
  change.parent = parent;
  change.x = x;
  change.y = y;
  change.account = std::string(account);
  change.group = std::string(group);
  return Status::Ok();
}

Status ReadNames(LineScanner& scanner, std::vector<std::string>& names) {
  while (!scanner.AtEnd()) {
    std::string_view name = scanner.Word();
    if (!IsValidName(name)) return Malformed("bad attribute name");
    names.emplace_back(name);
  }
  return Status::Ok();
}

struct CommandName {
  const char* name;
  CommandKind kind;
};

constexpr CommandName kCommands[] = {
    {"GetNewPadID", CommandKind::kGetNewPadID},
    {"SetPadInfo", CommandKind::kSetPadInfo},
    {"SetPadAttributes", CommandKind::kSetPadAttributes},
    {"GetPadInfo", CommandKind::kGetPadInfo},
    {"GetPadAttributes", CommandKind::kGetPadAttributes},
    {"GetChildPads", CommandKind::kGetChildPads},
    {"DeletePad", CommandKind::kDeletePad},
};

// The command line of `body` without its line end; false when it has none.
bool CommandLine(std::string_view body, std::string_view& line) {
  line = body.substr(0, body.find(kTerminator));
  if (line.empty() || line.back() != '\n') return false;
  line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return true;
}

}  // namespace

Status ReadCommand(std::string_view body, Command& command) {
  command = Command();
  std::string_view line;
  if (!CommandLine(body, line)) return Malformed("command line cut short");
  // A control byte would be a second line or a byte no reply can carry.
  for (char c : line) {
    if (IsControl(c) && c != '\t') return Malformed("control character in command");
  }

  LineScanner scanner(line);
  std::string_view word = scanner.Word();
  const CommandName* known = nullptr;
  for (const CommandName& candidate : kCommands) {
    if (word == candidate.name) known = &candidate;
  }
  if (known == nullptr) return Malformed("unknown command");
  command.kind = known->kind;

  Status status;
  if (command.kind != CommandKind::kGetNewPadID) {
    status = ReadPadId(scanner, command.id, "pad identifier is not a number");
  }
  if (status.IsOk()) {
    switch (command.kind) {
      case CommandKind::kSetPadInfo:
        status = ReadPlacement(scanner, command.change);
        if (status.IsOk()) status = ReadAttributes(scanner, command.change);
        break;
      case CommandKind::kSetPadAttributes:
        status = ReadAttributes(scanner, command.change);
        break;
      case CommandKind::kGetPadAttributes:
        status = ReadNames(scanner, command.names);
        break;
      default:
        break;
    }
  }
  if (status.IsOk() && !scanner.AtEnd()) status = Malformed("unexpected text after the command");
  return status;
}

}  // namespace padserver
