// The programs as FastCGI responders: started by the web server's FastCGI
// module, a program accepts requests on the socket it was given and answers
// each with the same code as a CGI program, the request's variables and
// streams taken from the FastCGI request. Nothing outlives a request: each
// opens the store, acts and closes it, as one CGI process would.
#pragma once

#include "padserver/CgiRequest.h"

namespace padserver {

// Whether this process was started as a FastCGI responder (its standard
// input a listening socket) rather than as a CGI program.
bool StartedAsFastCgiResponder();

// Answers requests with `run` one after the other until the web server
// closes the socket; the process's exit status. A request whose response
// could not be written ends with `run`'s status 1 reported to the server.
int RunFastCgiResponder(int (*run)(const CgiRequest&));

}  // namespace padserver
