// The part of a client's state that lives behind its private pointer
// (internal to the library), so that the public object keeps its size as
// the client grows.
#pragma once

#include "bazaro/Que.h"

struct BazaroCommState {
  char* proxyPattern = nullptr;  // owned platform string, or null
  // The Basic token of the credentials the program set for this client, an
  // owned platform string; null lets the netrc file decide.
  char* token = nullptr;
  // Tasks dropped by Cancel, oldest first, each still to be reported.
  Que cancelled;
  // The HTTP status that refused the task being reported, or 0.
  int status = 0;
};
