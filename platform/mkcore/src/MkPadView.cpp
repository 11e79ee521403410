// The chain behind a pad: view, desktop, pad manager and undo buffer.
#include "mkcore/MkPadView.h"

#include <cstring>

#include "mkcore/MkSimplePad.h"
#include "mkres/MwMemory.h"

UndoBuffer::UndoBuffer() : waiting_(nullptr), waitingCount_(0), realDeleteCalls_(0) {}

UndoBuffer::~UndoBuffer() {
  unsigned long calls = realDeleteCalls_;
  RealDeletePad();
  realDeleteCalls_ = calls;
}

void UndoBuffer::Hold(MkSimplePad* pad) {
  if (pad == nullptr) return;
  for (unsigned int i = 0; i < waitingCount_; ++i) {
    if (waiting_[i] == pad) return;  // held once, deleted once
  }
  if (waitingCount_ >= 0xFFFFFFFFu / sizeof(MkSimplePad*) - 1) {
    delete pad;
    return;
  }
  auto* grown = static_cast<MkSimplePad**>(
      MwNew(static_cast<unsigned int>((waitingCount_ + 1) * sizeof(MkSimplePad*))));
  if (grown == nullptr) {
    // The pad was on its way out anyway: without room to wait, it goes now.
    delete pad;
    return;
  }
  if (waitingCount_ != 0) std::memcpy(grown, waiting_, waitingCount_ * sizeof(MkSimplePad*));
  MwDelete(waiting_);
  waiting_ = grown;
  waiting_[waitingCount_++] = pad;
}

void UndoBuffer::RealDeletePad() {
  ++realDeleteCalls_;
  // Detach the list first, so that the buffer is consistent while pads go.
  MkSimplePad** waiting = waiting_;
  unsigned int count = waitingCount_;
  waiting_ = nullptr;
  waitingCount_ = 0;
  for (unsigned int i = 0; i < count; ++i) delete waiting[i];
  MwDelete(waiting);
}

unsigned int UndoBuffer::GetWaitingCount() const { return waitingCount_; }

unsigned long UndoBuffer::GetRealDeleteCalls() const { return realDeleteCalls_; }

MkPadManager::MkPadManager() = default;
MkPadManager::~MkPadManager() = default;

UndoBuffer* MkPadManager::getUndoBuffer() { return &undoBuffer_; }

MkDeskTop::MkDeskTop() = default;
MkDeskTop::~MkDeskTop() = default;

MkPadManager* MkDeskTop::get_padmanager() { return &padManager_; }

MkDeskTop* MkDeskTop::Default() {
  static MkDeskTop desktop;
  return &desktop;
}

MkPadView::MkPadView(MkDeskTop* desktop)
    : desktop_(desktop), bounds_(0, 0, 0, 0), hasBounds_(true) {}

MkPadView::~MkPadView() = default;

MwRectangle* MkPadView::GetBounds() { return hasBounds_ ? &bounds_ : nullptr; }

void MkPadView::SetBounds(int x, int y, unsigned int width, unsigned int height) {
  bounds_.X() = x;
  bounds_.Y() = y;
  bounds_.Width() = width;
  bounds_.Height() = height;
  hasBounds_ = true;
}

void MkPadView::ClearBounds() { hasBounds_ = false; }

MkDeskTop* MkPadView::GetDeskTop() { return desktop_; }
