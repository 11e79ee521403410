// The action of a client's polling timer: on each tick it runs the client's
// end-of-task check on the caller's thread.
#pragma once

#include "bazaro/BazaroCommExport.h"
#include "mkres/MwAction.h"

class BazaroComm;

class BAZAROCOMM_API BazaroWatcher : public MwAction {
 public:
  BazaroWatcher();
  virtual ~BazaroWatcher();

  // The client whose check the action runs (not owned).
  void SetParam(BazaroComm* comm);

  // Ignores `argument`. 0 when no client is set; otherwise runs the client's
  // check and returns 1.
  char Execute(void* argument) override;

 private:
  BazaroComm* param;
};
