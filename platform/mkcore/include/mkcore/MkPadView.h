// The chain behind a pad: its view, the view's desktop, the desktop's pad
// manager and the manager's undo buffer.
//
// Pads removed by the user wait in the undo buffer until RealDeletePad deletes
// them for good; a pad is saved only after that, so that the file does not
// describe pads the user has already removed.
#pragma once

#include "mkcore/MkcoreExport.h"
#include "mkres/MwObject.h"
#include "mkres/MwRectangle.h"

class MkDeskTop;
class MkPadManager;
class MkSimplePad;

class MKCORE_API UndoBuffer : public MwObject {
 public:
  UndoBuffer();
  UndoBuffer(const UndoBuffer&) = delete;
  UndoBuffer& operator=(const UndoBuffer&) = delete;
  virtual ~UndoBuffer();

  // Takes over `pad`, which now waits for final deletion.
  void Hold(MkSimplePad* pad);
  // Deletes every waiting pad.
  void RealDeletePad();
  unsigned int GetWaitingCount() const;
  // How often RealDeletePad has been called on this buffer.
  unsigned long GetRealDeleteCalls() const;

 private:
  MkSimplePad** waiting_;
  unsigned int waitingCount_;
  unsigned long realDeleteCalls_;
};

class MKCORE_API MkPadManager : public MwObject {
 public:
  MkPadManager();
  virtual ~MkPadManager();
  UndoBuffer* getUndoBuffer();

 private:
  UndoBuffer undoBuffer_;
};

class MKCORE_API MkDeskTop : public MwObject {
 public:
  MkDeskTop();
  virtual ~MkDeskTop();
  MkPadManager* get_padmanager();

  // The process's one desktop (a static object, not on the kernel heap).
  static MkDeskTop* Default();

 private:
  MkPadManager padManager_;
};

class MKCORE_API MkPadView : public MwObject {
 public:
  explicit MkPadView(MkDeskTop* desktop);
  MkPadView(const MkPadView&) = delete;
  MkPadView& operator=(const MkPadView&) = delete;
  virtual ~MkPadView();

  // The view's bounds, owned by the view; null when the view has none.
  virtual MwRectangle* GetBounds();
  void SetBounds(int x, int y, unsigned int width, unsigned int height);
  // Leaves the view without bounds.
  void ClearBounds();

  MkDeskTop* GetDeskTop();

 private:
  MkDeskTop* desktop_;
  MwRectangle bounds_;
  bool hasBounds_;
};
