// The part of a client's state that lives behind its private pointer
// (internal to the library), so that the public object keeps its size as
// the client grows.
#pragma once

#include "bazaro/Que.h"

struct BazaroCommState {
  char* proxyPattern = nullptr;  // owned platform string, or null
  // Credentials set by the program for this client: owned platform strings;
  // a null user means the netrc file decides.
  char* user = nullptr;
  char* password = nullptr;
  // Tasks dropped by Cancel, oldest first, each still to be reported.
  Que cancelled;
  // The HTTP status that refused the task being reported, or 0.
  int status = 0;
};
