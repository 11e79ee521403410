#include "bazaro/BazaroWatcher.h"

#include "bazaro/BazaroComm.h"

BazaroWatcher::BazaroWatcher() : MwAction(nullptr, nullptr), param(nullptr) {}

BazaroWatcher::~BazaroWatcher() = default;

void BazaroWatcher::SetParam(BazaroComm* comm) { param = comm; }

char BazaroWatcher::Execute(void* /*argument*/) {
  if (param == nullptr) return 0;
  param->WatchTask();
  return 1;
}
