// The callback class of the client: the caller's pad derives from it and
// hands itself to BazaroComm::SetPad.
#pragma once

#include "bazaro/BazaroCommExport.h"

class BAZAROCOMM_API BazaroCommBase {
 public:
  virtual ~BazaroCommBase();

  // Called on the caller's thread when a task has ended; `type` is the task's
  // request type code (BazaroRequestType). Inside this call, and only there,
  // the client's query operations give the task's outcome. The client must
  // not be destroyed from inside this call.
  virtual void TaskEnd(int type) = 0;
};
