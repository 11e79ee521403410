// The first-in first-out queue of tasks waiting to run.
//
// The queue owns the tasks in it: Clear and destruction delete them, which
// removes their temporary files from the disk. It is used on the caller's
// thread only and cannot be copied member-wise.
#pragma once

#include <cstddef>

#include "bazaro/BazaroCommExport.h"

class Task;

class BAZAROCOMM_API Que {
 public:
  Que();
  virtual ~Que();
  Que(const Que&) = delete;
  Que& operator=(const Que&) = delete;

  // From and to the kernel heap, whichever module creates or deletes; a
  // failed `new` yields null.
  static void* operator new(std::size_t size) noexcept;
  static void* operator new[](std::size_t size) noexcept;
  static void operator delete(void* block) noexcept;
  static void operator delete[](void* block) noexcept;

  // Appends `task` and takes it over: 1. Null, or no memory for the longer
  // array: 0, and the queue is unchanged (the task stays the caller's).
  char Put(Task* task);
  // Takes out the oldest task, which the caller now owns; null when empty.
  Task* Get();
  // Deletes every waiting task and frees the array.
  void Clear();

 private:
  Task** tasks;  // kernel heap, `count` tasks oldest first, or null
  unsigned int count;
};
