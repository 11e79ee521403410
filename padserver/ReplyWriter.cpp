#include "padserver/ReplyWriter.h"

#include <unordered_map>
#include <unordered_set>

namespace padserver {

namespace {

AttributeValue Bare(long long number) { return AttributeValue{std::to_string(number), false}; }
AttributeValue Quoted(const std::string& text) { return AttributeValue{text, true}; }

// The record's own fields, under the names the client reads them by.
std::vector<Attribute> Fields(const PadRecord& record) {
  return {{"id", Bare(record.parent)},
          {"x", Bare(record.x)},
          {"y", Bare(record.y)},
          {"account", Quoted(record.account)},
          {"group", Quoted(record.group)}};
}

void AppendPair(std::string& text, const std::string& name, const AttributeValue& value) {
  if (!text.empty()) text += ' ';
  text += name;
  text += '=';
  if (value.quoted) {
    text += '"';
    text += value.text;
    text += '"';
  } else {
    text += value.text;
  }
}

}  // namespace

std::string WritePadInfo(const PadRecord& record) {
  std::string text;
  for (const Attribute& field : Fields(record)) AppendPair(text, field.name, field.value);
  for (const Attribute& attribute : record.attributes) {
    AppendPair(text, attribute.name, attribute.value);
  }
  return text;
}

std::string WriteNamedValues(const PadRecord& record, const std::vector<std::string>& names) {
  std::vector<Attribute> fields = Fields(record);
  std::unordered_map<std::string, const AttributeValue*> values;
  for (const Attribute& attribute : record.attributes) values[attribute.name] = &attribute.value;
  for (const Attribute& field : fields) values[field.name] = &field.value;

  std::string text;
  std::unordered_set<std::string> written;
  for (const std::string& name : names) {
    auto found = values.find(name);
    if (found != values.end() && written.insert(name).second) {
      AppendPair(text, name, *found->second);
    }
  }
  return text;
}

std::string WriteChildList(const std::vector<PadId>& children) {
  std::string text;
  for (PadId child : children) {
    if (!text.empty()) text += " ,";
    text += "id=" + std::to_string(child);
  }
  return text;
}

std::string WriteError(const std::string& reason) {
  std::string text;
  AppendPair(text, "error", Quoted(reason));
  return text;
}

}  // namespace padserver
