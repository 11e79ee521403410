// The token of HTTP Basic authentication (internal to the library): the
// base64 form of "login:password", sent behind "Basic " in an Authorization
// or Proxy-Authorization header.
#pragma once

namespace client {

// The token for `login` and `password`, as a platform string the caller
// frees. Null when memory is exhausted, when either is null, when `login`
// holds a ':' (it would move the split between the two) or when either holds
// a control character: such credentials are broken input.
char* NewBasicToken(const char* login, const char* password);

}  // namespace client
