// The server's command reader: a command it accepts stores only values that
// go back to the client exactly. The pad record the command makes is written
// as the server's reply and read by the client's own reply reader, which must
// find every attribute with the text it was sent.
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzSupport.h"
#include "kernel/KernelObjects.h"
#include "kernel/KernelText.h"
#include "padserver/CommandReader.h"
#include "padserver/ReplyWriter.h"
#include "transport/PadServer.h"

namespace {

// The record a Set command makes of a new pad.
padserver::PadRecord Apply(const padserver::PadChange& change) {
  padserver::PadRecord record;
  if (change.parent) record.parent = *change.parent;
  if (change.x) record.x = *change.x;
  if (change.y) record.y = *change.y;
  if (change.account) record.account = *change.account;
  if (change.group) record.group = *change.group;
  for (const padserver::Attribute& attribute : change.attributes) {
    bool replaced = false;
    for (padserver::Attribute& stored : record.attributes) {
      if (stored.name == attribute.name) {
        stored.value = attribute.value;
        replaced = true;
      }
    }
    if (!replaced) record.attributes.push_back(attribute);
  }
  return record;
}

// The client's reading of `name` is the text the server holds: strings
// exactly, typed values as the number or truth value the text is.
bool ReadsBack(MkDictionary* record, const std::string& name, const std::string& text) {
  MkDictionaryValue* entry = record->at(kernel::Text(name.c_str()));
  if (entry == nullptr) return false;
  if (entry->get_type() != kMkTypeString) return true;
  return text == *static_cast<char**>(entry->get_value());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::LiveBlockScope heap;
  padserver::Command command;
  std::string_view body(reinterpret_cast<const char*>(data), size);
  if (!padserver::ReadCommand(body, command).IsOk()) return 0;
  if (command.kind != padserver::CommandKind::kSetPadInfo &&
      command.kind != padserver::CommandKind::kSetPadAttributes) {
    return 0;
  }
  padserver::PadRecord record = Apply(command.change);
  std::string reply = padserver::WritePadInfo(record);

  PadServer pad;
  std::vector<char> text(reply.begin(), reply.end());
  text.push_back('\0');
  // The reply holds no NUL: a value with one would end the client's text.
  FUZZ_CHECK(std::strlen(text.data()) == reply.size());
  std::unique_ptr<MkDictionary> list(pad.ParseList(text.data()));
  FUZZ_CHECK(list->length() == 1);
  MkDictionary* read = *static_cast<MkDictionary**>(list->at(0u)->get_value());
  FUZZ_CHECK(ReadsBack(read, "account", record.account));
  FUZZ_CHECK(ReadsBack(read, "group", record.group));
  for (const padserver::Attribute& attribute : record.attributes) {
    FUZZ_CHECK(ReadsBack(read, attribute.name, attribute.value.text));
  }
  return 0;
}
