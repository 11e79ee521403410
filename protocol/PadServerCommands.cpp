// The pad commands: one text line each, sent to pad-cgi with the terminator
// byte, and what each takes from the reply.
#include <cstdio>
#include <cstring>
#include <memory>

#include "kernel/KernelObjects.h"
#include "kernel/KernelResources.h"
#include "kernel/KernelText.h"
#include "os/BoundedFormat.h"
#include "protocol/Exchange.h"
#include "protocol/KernelBuffer.h"
#include "transport/PadServer.h"

using protocol::KernelBuffer;
using protocol::RunCommand;

namespace {

// Command lines are formatted into buffers of this size; the bounded
// formatter fills at most 1024 bytes of them.
constexpr std::size_t kCommandSize = 4096;

// Moves an "id" entry of `record` to "pid": in a pad's own information the
// server's identifier names the pad the record belongs to.
void IdentifierToParent(MkDictionary* record) {
  MkDictionaryValue* id = record->at(kernel::Text("id"));
  if (id == nullptr) return;
  record->atPut(kernel::Text("pid"), id->get_value(), id->get_type());
  record->removeKey(kernel::Text("id"));
}

// The child identifier of a list record, or 0 when it has none.
unsigned long ChildIdentifier(MkDictionary* record) {
  MkDictionaryValue* id = record->at(kernel::Text("id"));
  if (id == nullptr || id->get_type() != kMkTypeUnsigned) return 0;
  return *static_cast<unsigned long*>(id->get_value());
}

}  // namespace

int PadServer::GetNewPadID(unsigned long& id) {
  id = 0;
  char* received = nullptr;
  int result = RunCommand(*this, "GetNewPadID\n", &received);
  KernelBuffer reply(received);
  if (result != 0) return result;
  unsigned long number = 0;
  // An answer without a number, or with 0, names no pad: a server error page
  // must not pass for a new identifier.
  if (reply == nullptr || std::sscanf(reply.get(), "%lu", &number) != 1 || number == 0) return -1;
  id = number;
  return 0;
}

int PadServer::DeletePad(unsigned long id) {
  char command[kCommandSize];
  os::FormatBounded(command, "DeletePad %lu\n", id);
  return RunCommand(*this, command, nullptr);
}

int PadServer::GetPadInfo(unsigned long id, MkDictionary*& target) {
  char command[kCommandSize];
  if (target != nullptr) {
    KernelBuffer names(WriteAttributeNames(target));
    if (names == nullptr) return -1;
    os::FormatBounded(command, "GetPadAttributes %lu %s", id, names.get());
  } else {
    os::FormatBounded(command, "GetPadInfo %lu\n", id);
  }

  char* received = nullptr;
  int result = RunCommand(*this, command, &received);
  KernelBuffer reply(received);
  if (result != 0 || reply == nullptr) return result != 0 ? result : -1;

  // Only the first record counts.
  char* cursor = reply.get();
  std::unique_ptr<MkDictionary> record(ParseRecord(cursor));
  IdentifierToParent(record.get());
  if (target == nullptr) {
    target = record.release();
  } else {
    target->merge_dict(record.get());
  }
  return 0;
}

int PadServer::SetPadInfo(unsigned long id, unsigned long parentId, MkDictionary* attributes) {
  if (attributes == nullptr || attributes->length() == 0) return -1;
  char command[kCommandSize];
  if (parentId != 0) {
    KernelBuffer text(WritePadInfo(attributes));
    if (text == nullptr) return -1;
    os::FormatBounded(command, "SetPadInfo %lu %lu %s", id, parentId, text.get());
  } else {
    KernelBuffer text(WriteAttributes(attributes));
    if (text == nullptr) return -1;
    os::FormatBounded(command, "SetPadAttributes %lu %s", id, text.get());
  }
  return RunCommand(*this, command, nullptr);
}

int PadServer::GetChildPads(unsigned long parentId, MkDictionary*& target) {
  char command[kCommandSize];
  os::FormatBounded(command, "GetChildPads %lu\n", parentId);
  char* received = nullptr;
  int result = RunCommand(*this, command, &received);
  KernelBuffer reply(received);
  if (result != 0 || reply == nullptr) return result != 0 ? result : -1;

  // Held by a scope guard: the kernel reports exhausted memory by throwing.
  std::unique_ptr<MkDictionary> list(ParseList(reply.get()));
  reply.reset();
  if (target == nullptr) {
    target = list.release();
    return result;
  }

  unsigned int count = list->length();
  for (unsigned int index = 0; index < count; ++index) {
    MkDictionaryValue* entry = list->at(index);
    if (entry == nullptr || entry->get_type() != kMkTypeDictionary) continue;
    MkDictionary* record = *static_cast<MkDictionary**>(entry->get_value());
    unsigned long child = ChildIdentifier(record);
    // A record that names no pad stays as the list gave it: there is nothing
    // to ask the server about.
    if (child == 0) continue;
    record->merge_dict(target);
    result = GetPadInfo(child, record);
    if (result == 0) {
      record->atPut(kernel::Text("id"), &child, kMkTypeUnsigned);
      unsigned long parent = parentId;
      record->atPut(kernel::Text("pid"), &parent, kMkTypeUnsigned);
    }
  }
  target->set_dict(list.get());
  return result;
}
