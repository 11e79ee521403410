#include "bazaro/Que.h"

#include <cstring>

#include "client/KernelHeapAllocation.h"
#include "client/Task.h"
#include "kernel/KernelResources.h"

BAZARO_DEFINE_KERNEL_HEAP_OPERATORS(Que)

Que::Que() : tasks(nullptr), count(0) {}

Que::~Que() { Clear(); }

// The array grows by one entry per task, exactly as long as the queue.
char Que::Put(Task* task) {
  if (task == nullptr) return 0;
  if (count >= 0xFFFFFFFFu / sizeof(Task*) - 1) return 0;
  auto* grown = static_cast<Task**>(MwNew(static_cast<unsigned int>((count + 1) * sizeof(Task*))));
  if (grown == nullptr) return 0;
  if (count != 0) std::memcpy(grown, tasks, count * sizeof(Task*));
  grown[count] = task;
  MwDelete(tasks);
  tasks = grown;
  ++count;
  return 1;
}

// The array keeps its length; the entries move one place to the front.
Task* Que::Get() {
  if (count == 0) return nullptr;
  Task* first = tasks[0];
  std::memmove(tasks, tasks + 1, (count - 1) * sizeof(Task*));
  --count;
  return first;
}

void Que::Clear() {
  if (tasks == nullptr) return;
  for (unsigned int i = 0; i < count; ++i) delete tasks[i];
  MwDelete(tasks);
  tasks = nullptr;
  count = 0;
}
