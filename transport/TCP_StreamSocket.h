// One TCP stream connection over the sockets library.
//
// Windows Sockets 1.1 on Windows and the platform's compatibility layer on
// POSIX: every operation but the constructor and destructor returns a Windows
// Sockets error code (0 for success) and leaves it in `lastError`; nothing is
// thrown and nothing is logged. A receive reads what is there and waits, for
// at most `timeout`, only when nothing is; a send waits before each piece. A
// wait that runs out is not an error: Wait reports `ready` false and Receive
// reports 0 bytes. A wait also ends, with WSAECONNABORTED, soon after Abort.
//
// After Connect, StartTls may put a TLS session on the connection: Send and
// Receive then carry its plaintext, and the peer's end of stream is its
// close_notify (a connection that ends without one fails with
// WSAECONNRESET).
//
// The sockets library is started by the first object constructed and cleaned
// up when the last one is destroyed; that count is class-wide and updated
// under one lock. An object itself belongs to the one thread that uses it.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "os/SocketApi.h"
#include "os/TlsSession.h"

class TCP_Address;

class TCP_StreamSocket {
 public:
  enum State { Closed = 0, ConnectPending = 1, Connected = 2 };
  enum WaitMode { kReadable = 0, kWritable = 1, kException = 2 };

  // No socket yet, state Closed; starts the sockets library when needed.
  // `timeout` starts at the transport's per-wait bound.
  TCP_StreamSocket();
  // Closes an open socket, then releases this object's share of the library.
  virtual ~TCP_StreamSocket();
  TCP_StreamSocket(const TCP_StreamSocket&) = delete;
  TCP_StreamSocket& operator=(const TCP_StreamSocket&) = delete;

  // A new TCP socket in blocking mode. Call only while no socket is open.
  int Create();
  // Creates the socket when there is none, then connects. A failed connect
  // leaves the socket open (the owner closes it); WSAEWOULDBLOCK sets state
  // ConnectPending and is still a failure.
  int Connect(const TCP_Address& address);
  // Shuts down and closes the socket; forgets the handle even when closing
  // fails, so a second Close returns 0.
  int Close();
  // Send and Receive leave the socket in non-blocking mode.
  //
  // Sends all `length` bytes, continuing partial sends. Gives up with
  // WSAETIMEDOUT after the transport's silence bound passes without the peer
  // taking a byte.
  int Send(const char* data, int length, int flags);
  // Reads once: `length` holds the capacity on entry and the count read on
  // return. 0 bytes with result 0 means the wait ran out or the peer closed;
  // PeerClosed() tells the two apart.
  int Receive(char* buffer, int& length, int flags);
  // Waits up to `timeout` for `mode` (kReadable, kWritable, anything else:
  // an exception condition). A wait that runs out returns 0 with `ready` false.
  int Wait(int mode, bool& ready);

  // Runs a TLS handshake on the connected socket, checking the server's
  // certificate against `hostName` and the system's roots plus the PEM files
  // of `caFiles` (null-ended; may be null). 0 on success; otherwise a
  // Windows Sockets error code, or -1 for a TLS failure that
  // LastTlsFailure() names. A silent peer fails after the silence bound.
  int StartTls(const char* hostName, const char* const* caFiles);
  // Why the last StartTls failed; kNone otherwise.
  os::TlsFailure LastTlsFailure() const { return tlsFailure_; }
  // True while a TLS session carries what Send and Receive pass.
  bool Secure() const { return tls_ != nullptr; }

  // From any thread: shuts the open socket down, so that a Send, Receive or
  // Wait blocked on it returns at once, and makes every later Create and
  // Connect fail with WSAECONNABORTED. This is how a worker whose client has
  // gone is cut off; the owner still closes the socket.
  void Abort();

  // True when the last Receive found the peer's end of the stream.
  bool PeerClosed() const { return peerClosed_; }

  // Class-wide state, for tests: whether this class has started the sockets
  // library, and the number of live objects.
  static bool LibraryStarted();
  static int ObjectCount();

  SOCKET handle;    // the open socket, or INVALID_SOCKET
  int lastError;    // the code of the last operation, 0 after a success
  int state;        // a State
  timeval timeout;  // one readiness wait; set by the owner after connecting

 private:
  // Switches the socket's mode when it differs from the one it is in.
  int SetBlocking(bool blocking);
  // Send and Receive on the socket itself, beneath any TLS session.
  int SendPlain(const char* data, int length, int flags);
  int ReceivePlain(char* buffer, int& length, int flags);

  class RawChannel;

  bool peerClosed_;
  bool blocking_;                        // the mode of the open socket
  std::unique_ptr<RawChannel> channel_;  // what tls_ reads and writes through
  std::unique_ptr<os::TlsSession> tls_;  // the session of the open socket, or null
  os::TlsFailure tlsFailure_;
  // Guards `handle` while a socket is made or closed and `aborted_`, so that
  // Abort never shuts down a handle that is being closed (and may be reused).
  std::mutex handleLock_;
  std::atomic<bool> aborted_;
};
