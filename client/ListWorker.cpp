// The list worker: the pads below a parent, with their position and size, as
// a BoothInfo list.
#include <cstdint>
#include <memory>

#include "bazaro/Result.h"
#include "client/BoothAllocation.h"
#include "client/Task.h"
#include "client/WorkerFrame.h"
#include "client/Workers.h"
#include "kernel/KernelObjects.h"
#include "kernel/KernelText.h"

using client::WorkerFrame;

namespace {

// The entry under `key` when it has type `type`, else null.
MkDictionaryValue* EntryOfType(MkDictionary* dictionary, char* key, int type) {
  if (dictionary == nullptr || key == nullptr) return nullptr;
  MkDictionaryValue* entry = dictionary->at(key);
  return entry != nullptr && entry->get_type() == type ? entry : nullptr;
}

// The list in `list` as records, ended by a record whose id is 0; null when
// memory is exhausted. An entry that is not a nested dictionary gives a
// record of zeros in its place.
BoothInfo* ToBooth(MkDictionary* list) {
  unsigned int count = list->length();
  BoothInfo* booth = client::NewBooth(count);
  if (booth == nullptr) return nullptr;
  for (unsigned int index = 0; index < count; ++index) {
    MkDictionaryValue* entry = list->at(index);
    if (entry == nullptr || entry->get_type() != kMkTypeDictionary) continue;
    MkDictionary* record = *static_cast<MkDictionary**>(entry->get_value());
    if (record == nullptr) continue;
    booth[index].id = static_cast<std::uint32_t>(GetIDValue(record, kernel::Text("id")));
    booth[index].x = GetIntValue(record, kernel::Text("x"));
    booth[index].y = GetIntValue(record, kernel::Text("y"));
    booth[index].width = GetIntValue(record, kernel::Text("width"));
    booth[index].height = GetIntValue(record, kernel::Text("height"));
  }
  return booth;
}

}  // namespace

int GetIDValue(MkDictionary* dictionary, char* key) {
  MkDictionaryValue* entry = EntryOfType(dictionary, key, kMkTypeUnsigned);
  return entry != nullptr ? static_cast<int>(*static_cast<unsigned long*>(entry->get_value())) : 0;
}

int GetIntValue(MkDictionary* dictionary, char* key) {
  MkDictionaryValue* entry = EntryOfType(dictionary, key, kMkTypeInteger);
  return entry != nullptr ? *static_cast<int*>(entry->get_value()) : 0;
}

unsigned long GetListThread(WorkerRun* run) {
  WorkerFrame frame(run);
  const Task& task = frame.TheTask();
  // The four names are the attributes fetched for every child; their values
  // stand in until the server's replace them.
  std::unique_ptr<MkDictionary> list(new MkDictionary);
  list->atPut(kernel::Text("x"), task.X());
  list->atPut(kernel::Text("y"), task.Y());
  list->atPut(kernel::Text("width"), task.Width());
  list->atPut(kernel::Text("height"), task.Height());
  // Given a dictionary, the command fills that same one with the list.
  MkDictionary* target = list.get();
  BoothInfo* booth = nullptr;
  if (frame.Server().GetChildPads(task.ID(), target) == 0) booth = ToBooth(list.get());
  list.reset();
  frame.Outcome().SetBooth(booth);
  frame.End();
  return 0;
}
