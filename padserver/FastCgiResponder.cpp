#include "padserver/FastCgiResponder.h"

#include <fcgiapp.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace padserver {

namespace {

const char* Parameter(const char* name, void* context) {
  return FCGX_GetParam(name, static_cast<FCGX_ParamArray>(context));
}

// The streams of one accepted FastCGI request.
class FastCgiStreams final : public RequestStreams {
 public:
  explicit FastCgiStreams(FCGX_Request& request) : request_(request) {}

  long Read(char* buffer, std::size_t size, std::uint64_t timeoutSeconds) override {
    // The library waits in read() on the request's connection, so a
    // receive time-out there bounds each wait for more of the body.
    if (!SetReceiveTimeout(timeoutSeconds)) return -1;
    int got =
        FCGX_GetStr(buffer, static_cast<int>(std::min<std::size_t>(size, INT_MAX)), request_.in);
    if (got > 0) return got;
    int error = FCGX_GetError(request_.in);
    if (error == EAGAIN || error == EWOULDBLOCK) return kTimedOut;
    return error != 0 ? -1 : 0;
  }

  bool Write(const char* data, std::size_t size) override {
    while (size > 0) {
      int chunk = static_cast<int>(std::min<std::size_t>(size, INT_MAX));
      if (FCGX_PutStr(data, chunk, request_.out) != chunk) return false;
      data += chunk;
      size -= static_cast<std::size_t>(chunk);
    }
    return true;
  }

 private:
  bool SetReceiveTimeout(std::uint64_t seconds) {
    if (seconds == timeoutSeconds_) return true;
    // Zero would mean no limit; the least wait stands for it.
    struct timeval limit = {};
    limit.tv_sec = static_cast<time_t>(std::min<std::uint64_t>(seconds, 86400));
    if (seconds == 0) limit.tv_usec = 1000;
    if (::setsockopt(request_.ipcFd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) != 0) {
      return false;
    }
    timeoutSeconds_ = seconds;
    return true;
  }

  FCGX_Request& request_;
  std::uint64_t timeoutSeconds_ = UINT64_MAX;  // none set yet on this connection
};

}  // namespace

bool StartedAsFastCgiResponder() { return !FCGX_IsCGI(); }

int RunFastCgiResponder(int (*run)(const CgiRequest&)) {
  FCGX_Request request;
  if (FCGX_Init() != 0 || FCGX_InitRequest(&request, 0, 0) != 0) return 1;
  // Accepting the next request finishes the one before: its output is
  // flushed, its connection closed and its variables freed.
  while (FCGX_Accept_r(&request) >= 0) {
    FastCgiStreams streams(request);
    CgiRequest cgi = CgiRequest::FromVariables(Parameter, request.envp);
    cgi.streams = &streams;
    FCGX_SetExitStatus(run(cgi), request.out);
    FCGX_Finish_r(&request);
  }
  FCGX_Free(&request, 1);
  return 0;
}

}  // namespace padserver
