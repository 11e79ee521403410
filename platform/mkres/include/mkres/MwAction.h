// An action: the work a timer does each time it fires.
//
// Virtual operations in slot order: the destructor; Reset, which returns 0
// and which derived actions need not override; Execute, which every derived
// action overrides and which the timer calls on each tick.
#pragma once

#include "mkres/MwObject.h"

class MKRES_API MwAction : public MwObject {
 public:
  // Both arguments are kept and not interpreted; callers pass null, null.
  MwAction(void* first, void* second);
  MwAction(const MwAction& other);
  MwAction& operator=(const MwAction& other);
  virtual ~MwAction();

  virtual char Reset();
  virtual char Execute(void* argument) = 0;

 private:
  void* first_;
  void* second_;
};
