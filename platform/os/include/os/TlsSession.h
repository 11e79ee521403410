// One TLS client session over a byte channel: the secure layer between the
// HTTP/1.0 exchange and the TCP connection.
//
// The engine is the target's own (OpenSSL on POSIX, Schannel on Windows); the
// session never touches a socket. It reads and writes raw bytes through a
// TlsChannel that its owner supplies, so time bounds and cut-offs stay with
// the owner's socket: a channel call that fails (WSAECONNABORTED after a
// cut-off, WSAETIMEDOUT, a reset) ends the session with that code.
//
// Certificates are always checked by us, never left to the engine's defaults:
// the server's chain must lead to a trusted root (the system's roots plus
// those of the CA file, when given) and the certificate must name the host.
// TLS 1.2 is the least accepted version; 1.3 is used where the engine has it.
// Revocation is not checked when no revocation server can be reached.
//
// Results: 0 for success, otherwise a Windows Sockets error code, or -1 for
// a TLS failure, whose kind Failure() then tells. A session belongs to the
// one thread that uses it.
#pragma once

#include <memory>

namespace os {

// What a session reads and writes through: the connection beneath it.
class TlsChannel {
 public:
  virtual ~TlsChannel() = default;
  // Sends all `length` bytes: 0, or a Windows Sockets error code.
  virtual int SendRaw(const char* data, int length) = 0;
  // Reads once, waiting at most one read time-out. `length` holds the
  // capacity on entry and the count read on return. 0 bytes with result 0
  // is a wait that ran out, or the peer's end of stream when `ended` is set.
  virtual int ReceiveRaw(char* buffer, int& length, bool& ended) = 0;
};

// Why a session failed, as far as the engine can tell.
enum class TlsFailure {
  kNone,
  kUntrusted,    // the chain leads to no trusted root (self-signed included)
  kWrongName,    // the certificate does not name the host
  kExpired,      // the certificate is out of its validity period
  kNotTls,       // the peer does not speak TLS
  kOldProtocol,  // the peer offers only a version older than TLS 1.2
  kTruncated,    // the stream ended without close_notify
  kStalled,      // the handshake went silent for the silence bound
  kOther,        // anything else the engine refused
};

class TlsSession {
 public:
  virtual ~TlsSession() = default;

  // A new session of the target's engine; null when the engine cannot start.
  static std::unique_ptr<TlsSession> Create();

  // Runs the client handshake through `channel` with `hostName` as the name
  // to send (SNI, left out for an IP address) and to check, trusting the
  // system's roots and the PEM certificates of each file in `caFiles`, a
  // list that a null ends (a null list adds none; a file that cannot be
  // read adds nothing). Fails with -1 and kStalled when no byte arrives for
  // `silenceMilliseconds`. On success, bytes that came behind the handshake
  // are kept for Read. `channel` must outlive the session: Write, Read and
  // Close go through it too.
  virtual int Handshake(TlsChannel& channel, const char* hostName, const char* const* caFiles,
                        unsigned int silenceMilliseconds) = 0;
  // Encrypts and sends all `length` bytes.
  virtual int Write(const char* data, int length) = 0;
  // Reads decrypted bytes: `length` holds the capacity on entry and the count
  // on return. Decrypted bytes already held are returned before reading the
  // channel again, which is read at most once per call. 0 bytes with result
  // 0: the wait ran out, or, with `ended` set, the peer sent close_notify.
  // The stream ending without close_notify fails with WSAECONNRESET and
  // kTruncated. A renegotiation or a post-handshake message is handled
  // inside, without losing data.
  virtual int Read(char* buffer, int& length, bool& ended) = 0;
  // Sends close_notify when the session is open; its own errors are ignored.
  virtual void Close() = 0;
  // The kind of the last failure, kNone after success.
  virtual TlsFailure Failure() const = 0;
  // Whether the handshake resumed a session of an earlier one with the same
  // host name and trust, rather than running in full.
  virtual bool Resumed() const = 0;
};

}  // namespace os
