#include "transport/TCP_StreamSocket.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <new>

#include "os/SocketTime.h"
#include "os/SocketWait.h"
#include "transport/TCP_Address.h"
#include "transport/WaitBounds.h"

namespace {

// The class-wide start-up state; every access holds `lock`.
std::mutex lock;
bool started = false;
int objectCount = 0;
WSADATA startupRecord;

constexpr unsigned short kVersionOneOne = 0x0101;
constexpr int kShutdownBoth = 2;
// The longest part of a wait between two looks for an Abort.
constexpr std::chrono::microseconds kAbortLookSlice(100000);

}  // namespace

// The socket as the TLS session's channel: its plain Send and Receive.
class TCP_StreamSocket::RawChannel : public os::TlsChannel {
 public:
  explicit RawChannel(TCP_StreamSocket& socket) : socket_(socket) {}
  int SendRaw(const char* data, int length) override { return socket_.SendPlain(data, length, 0); }
  int ReceiveRaw(char* buffer, int& length, bool& ended) override {
    int result = socket_.ReceivePlain(buffer, length, 0);
    ended = result == 0 && socket_.peerClosed_;
    return result;
  }

 private:
  TCP_StreamSocket& socket_;
};

TCP_StreamSocket::TCP_StreamSocket()
    : handle(INVALID_SOCKET),
      lastError(0),
      state(Closed),
      timeout(os::TimevalFromMilliseconds(transport::CurrentWaitBounds().waitMilliseconds)),
      peerClosed_(false),
      blocking_(true),
      tlsFailure_(os::TlsFailure::kNone),
      aborted_(false) {
  std::lock_guard<std::mutex> hold(lock);
  if (!started && WSAStartup(kVersionOneOne, &startupRecord) == 0) {
    started = true;
    objectCount = 1;
  } else {
    // Also after a failed start-up: the object exists and its Create fails.
    ++objectCount;
  }
}

TCP_StreamSocket::~TCP_StreamSocket() {
  Close();
  std::lock_guard<std::mutex> hold(lock);
  --objectCount;
  if (started && objectCount == 0) {
    WSACleanup();
    started = false;
  }
}

bool TCP_StreamSocket::LibraryStarted() {
  std::lock_guard<std::mutex> hold(lock);
  return started;
}

int TCP_StreamSocket::ObjectCount() {
  std::lock_guard<std::mutex> hold(lock);
  return objectCount;
}

int TCP_StreamSocket::Create() {
  {
    std::lock_guard<std::mutex> hold(handleLock_);
    if (aborted_) {
      lastError = WSAECONNABORTED;
      return lastError;
    }
    handle = socket(AF_INET, SOCK_STREAM, 0);
  }
  if (handle == INVALID_SOCKET) {
    lastError = WSAGetLastError();
    return lastError;
  }
  // Every send goes out at once: a request goes in pieces (line, head,
  // body, TLS records) that waiting for the peer's delayed acknowledgement
  // of the one before would hold back.
  const int noDelay = 1;
  setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
             sizeof noDelay);
  // A new socket starts in blocking mode (so that connect blocks); it is
  // set explicitly all the same.
  blocking_ = false;
  if (SetBlocking(true) != 0) {
    int error = lastError;
    Close();
    lastError = error;
    return error;
  }
  lastError = 0;
  return 0;
}

int TCP_StreamSocket::Connect(const TCP_Address& address) {
  if (handle == INVALID_SOCKET) {
    int error = Create();
    if (error != 0) return error;
  }
  if (connect(handle, address.SocketAddress(), sizeof(sockaddr_in)) == 0) {
    // An abort that came while connecting found nothing to shut down yet.
    std::lock_guard<std::mutex> hold(handleLock_);
    if (aborted_) {
      lastError = WSAECONNABORTED;
      return lastError;
    }
    state = Connected;
    lastError = 0;
    return 0;
  }
  lastError = WSAGetLastError();
  if (lastError == WSAEWOULDBLOCK) state = ConnectPending;
  return lastError;
}

int TCP_StreamSocket::Close() {
  if (tls_ != nullptr) {
    // close_notify, so the server sees an orderly end; a cut-off connection
    // refuses it at once.
    if (handle != INVALID_SOCKET && !aborted_) tls_->Close();
    tls_.reset();
  }
  if (handle == INVALID_SOCKET) {
    lastError = 0;
    return 0;
  }
  int error = 0;
  {
    std::lock_guard<std::mutex> hold(handleLock_);
    shutdown(handle, kShutdownBoth);
    if (closesocket(handle) == SOCKET_ERROR) error = WSAGetLastError();
    handle = INVALID_SOCKET;
  }
  state = Closed;
  lastError = error;
  return error;
}

void TCP_StreamSocket::Abort() {
  std::lock_guard<std::mutex> hold(handleLock_);
  aborted_ = true;
  if (handle != INVALID_SOCKET) shutdown(handle, kShutdownBoth);
}

int TCP_StreamSocket::StartTls(const char* hostName, const char* const* caFiles) {
  tlsFailure_ = os::TlsFailure::kNone;
  tls_ = os::TlsSession::Create();
  if (tls_ == nullptr) {
    tlsFailure_ = os::TlsFailure::kOther;
    lastError = -1;
    return lastError;
  }
  if (channel_ == nullptr) channel_.reset(new (std::nothrow) RawChannel(*this));
  if (channel_ == nullptr) {
    tls_.reset();
    tlsFailure_ = os::TlsFailure::kOther;
    lastError = WSAENOBUFS;
    return lastError;
  }
  lastError = tls_->Handshake(*channel_, hostName, caFiles,
                              transport::CurrentWaitBounds().silenceMilliseconds);
  if (lastError != 0) {
    tlsFailure_ = tls_->Failure();
    tls_.reset();
  }
  return lastError;
}

int TCP_StreamSocket::Send(const char* data, int length, int flags) {
  if (tls_ == nullptr) return SendPlain(data, length, flags);
  if (aborted_) {
    lastError = WSAECONNABORTED;
    return lastError;
  }
  lastError = tls_->Write(data, length);
  return lastError;
}

int TCP_StreamSocket::Receive(char* buffer, int& length, int flags) {
  if (tls_ == nullptr) return ReceivePlain(buffer, length, flags);
  peerClosed_ = false;
  if (aborted_) {
    length = 0;
    lastError = WSAECONNABORTED;
    return lastError;
  }
  bool ended = false;
  lastError = tls_->Read(buffer, length, ended);
  if (lastError != 0) {
    length = 0;
    return lastError;
  }
  peerClosed_ = ended;
  return 0;
}

int TCP_StreamSocket::SendPlain(const char* data, int length, int flags) {
  // The socket does not block once connected: a blocking send of more than
  // the free buffer space would wait inside the system, beyond every bound,
  // for a peer that has stopped reading.
  int result = SetBlocking(false);
  int remaining = length;
  std::chrono::milliseconds silenceLimit(transport::CurrentWaitBounds().silenceMilliseconds);
  auto lastProgress = std::chrono::steady_clock::now();
  bool ready = false;
  if (result == 0) result = Wait(kWritable, ready);
  while (result == 0) {
    if (ready && remaining > 0) {
      int sent = send(handle, data, remaining, flags);
      if (sent == SOCKET_ERROR) {
        int error = WSAGetLastError();
        // Less room than the wait promised: wait again.
        if (error != WSAEWOULDBLOCK) result = error;
      } else if (sent > 0) {
        data += sent;
        remaining -= sent;
        lastProgress = std::chrono::steady_clock::now();
      }
    }
    if (result != 0 || remaining <= 0) break;
    if (std::chrono::steady_clock::now() - lastProgress >= silenceLimit) {
      result = WSAETIMEDOUT;
      break;
    }
    result = Wait(kWritable, ready);
  }
  if (remaining <= 0) result = 0;
  lastError = result;
  return result;
}

int TCP_StreamSocket::ReceivePlain(char* buffer, int& length, int flags) {
  peerClosed_ = false;
  // Reads first and waits only when nothing is there yet: a wait before
  // every read costs a system call each time (dear under Wine) while a reply
  // streams in.
  // A socket shut down by Abort may still hand over what had arrived (and,
  // with some sockets layers, what goes on arriving): it is read no more.
  int result = aborted_ ? WSAECONNABORTED : SetBlocking(false);
  int received = result == 0 ? recv(handle, buffer, length, flags) : SOCKET_ERROR;
  if (result == 0 && received == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
    bool ready = false;
    result = Wait(kReadable, ready);
    if (result == 0 && aborted_) result = WSAECONNABORTED;
    if (result != 0 || !ready) {
      length = 0;
      lastError = result;
      return result;
    }
    received = recv(handle, buffer, length, flags);
  }
  if (result != 0) {
    length = 0;
    return result;
  }
  if (received == SOCKET_ERROR) {
    // Readable yet nothing to read (a spurious wake-up) is a wait that ran out.
    int error = WSAGetLastError();
    length = 0;
    lastError = error == WSAEWOULDBLOCK ? 0 : error;
    return lastError;
  }
  peerClosed_ = received == 0 && length > 0;
  length = received;
  lastError = 0;
  return 0;
}

int TCP_StreamSocket::Wait(int mode, bool& ready) {
  ready = false;
  if (handle == INVALID_SOCKET) {
    lastError = WSAENOTSOCK;
    return lastError;
  }
  // The wait goes in slices, looking for an Abort between them: a wait
  // under Wine does not return when another thread shuts the socket down.
  const std::chrono::microseconds whole(static_cast<long long>(timeout.tv_sec) * 1000000 +
                                        timeout.tv_usec);
  const auto deadline = std::chrono::steady_clock::now() + whole;
  const os::SocketReadiness readiness = mode == kReadable   ? os::kSocketReadable
                                        : mode == kWritable ? os::kSocketWritable
                                                            : os::kSocketException;
  for (;;) {
    if (aborted_) {
      lastError = WSAECONNABORTED;
      return lastError;
    }
    auto left = std::chrono::duration_cast<std::chrono::microseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() < 0) left = std::chrono::microseconds(0);
    // Whole milliseconds, rounded up, so that a remainder below one still waits.
    const auto slice = std::min(left, kAbortLookSlice);
    const unsigned int milliseconds = static_cast<unsigned int>((slice.count() + 999) / 1000);
    int count = os::WaitForSocket(handle, readiness, milliseconds);
    if (count == SOCKET_ERROR) {
      lastError = WSAGetLastError();
      // A signal that interrupts the wait on POSIX is no failure of the
      // connection; the caller simply waits again.
      if (lastError == WSAEINTR) lastError = 0;
      return lastError;
    }
    if (count > 0 || left <= kAbortLookSlice) {
      ready = count > 0;
      lastError = 0;
      return 0;
    }
  }
}

int TCP_StreamSocket::SetBlocking(bool blocking) {
  lastError = 0;
  if (blocking == blocking_) return 0;
  unsigned long mode = blocking ? 0 : 1;
  if (ioctlsocket(handle, FIONBIO, &mode) == SOCKET_ERROR) {
    lastError = WSAGetLastError();
    return lastError;
  }
  blocking_ = blocking;
  return 0;
}
