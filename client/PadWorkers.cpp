// The pad workers: a new identifier, storing a pad (registration, upload,
// update), moving and deleting one.
#include "bazaro/Result.h"
#include "client/Task.h"
#include "client/WorkerFrame.h"
#include "client/Workers.h"
#include "kernel/KernelObjects.h"
#include "kernel/KernelText.h"

using client::WorkerFrame;

namespace {

// Which of the task's values an attribute command carries.
enum AttributeSet { kPosition, kPositionAndSize };

// Fills `attributes` in the order the server expects: the parent first when
// one is given, then the position, then the size.
void PutAttributes(MkDictionary& attributes, const Task& task, AttributeSet set,
                   const unsigned long* parent) {
  if (parent != nullptr) {
    unsigned long value = *parent;
    attributes.atPut(kernel::Text("pid"), &value, kMkTypeUnsigned);
  }
  attributes.atPut(kernel::Text("x"), task.X());
  attributes.atPut(kernel::Text("y"), task.Y());
  if (set == kPositionAndSize) {
    attributes.atPut(kernel::Text("width"), task.Width());
    attributes.atPut(kernel::Text("height"), task.Height());
  }
}

// The attribute command for pad `id` and, when it succeeded, its pad file:
// the file is never sent for a pad whose attributes were refused.
bool StorePad(WorkerFrame& frame, unsigned long id, const unsigned long* parent) {
  const Task& task = frame.TheTask();
  MkDictionary attributes;
  PutAttributes(attributes, task, kPositionAndSize, parent);
  if (frame.Server().SetPadInfo(id, 0, &attributes) != 0) return false;
  return frame.Server().UploadPad(id, task.File()) == 0;
}

}  // namespace

unsigned long NewIDThread(WorkerRun* run) {
  WorkerFrame frame(run);
  unsigned long id = 0;
  if (frame.Server().GetNewPadID(id) != 0) id = 0;
  frame.Outcome().SetID(id);
  frame.End();
  return 0;
}

unsigned long RegistThread(WorkerRun* run) {
  WorkerFrame frame(run);
  const unsigned long noParent = 0;
  bool stored = StorePad(frame, frame.TheTask().ID(), &noParent);
  frame.Outcome().SetBool(stored ? 1 : 0);
  frame.End();
  return 0;
}

unsigned long UpdateThread(WorkerRun* run) {
  WorkerFrame frame(run);
  bool stored = StorePad(frame, frame.TheTask().ID(), nullptr);
  frame.Outcome().SetBool(stored ? 1 : 0);
  frame.End();
  return 0;
}

// A new pad below the task's parent. A pad that cannot be completed is
// deleted again, so that no half-made pad stays on the server.
unsigned long UploadThread(WorkerRun* run) {
  WorkerFrame frame(run);
  PadServer& server = frame.Server();
  const Task& task = frame.TheTask();
  unsigned long id = 0;
  // Identifier 0 names no pad: nothing is sent for it.
  if (server.GetNewPadID(id) == 0 && id != 0) {
    MkDictionary attributes;
    unsigned long parent = task.ID();
    PutAttributes(attributes, task, kPositionAndSize, &parent);
    bool stored =
        server.SetPadInfo(id, parent, &attributes) == 0 && server.UploadPad(id, task.File()) == 0;
    if (!stored) {
      server.DeletePad(id);
      id = 0;
    }
  } else {
    id = 0;
  }
  frame.Outcome().SetID(id);
  frame.End();
  return 0;
}

unsigned long MoveThread(WorkerRun* run) {
  WorkerFrame frame(run);
  MkDictionary attributes;
  PutAttributes(attributes, frame.TheTask(), kPosition, nullptr);
  bool moved = frame.Server().SetPadInfo(frame.TheTask().ID(), 0, &attributes) == 0;
  frame.Outcome().SetBool(moved ? 1 : 0);
  frame.End();
  return 0;
}

unsigned long DeleteThread(WorkerRun* run) {
  WorkerFrame frame(run);
  bool deleted = frame.Server().DeletePad(frame.TheTask().ID()) == 0;
  frame.Outcome().SetBool(deleted ? 1 : 0);
  frame.End();
  return 0;
}
