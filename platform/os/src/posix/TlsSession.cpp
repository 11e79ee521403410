// The POSIX TLS engine: OpenSSL over two memory BIOs, so that every byte goes
// through the owner's TlsChannel and the owner's time bounds stay in force.
#include "os/TlsSession.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "os/SocketApi.h"

namespace os {
namespace {

// The most one channel read takes: many records at once while a body streams.
constexpr int kReceiveChunk = 256 * 1024;
// Plaintext encrypted and sent in one go by Write.
constexpr int kWriteSlice = 64 * 1024;

struct ContextFree {
  void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};
struct SslFree {
  void operator()(SSL* ssl) const { SSL_free(ssl); }
};

bool IsIpAddress(const char* host) {
  unsigned char address[16];
  return inet_pton(AF_INET, host, address) == 1 || inet_pton(AF_INET6, host, address) == 1;
}

TlsFailure FailureFromVerifyResult(long result) {
  switch (result) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return TlsFailure::kExpired;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return TlsFailure::kWrongName;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
    case X509_V_ERR_CERT_REJECTED:
      return TlsFailure::kUntrusted;
    default:
      return TlsFailure::kOther;
  }
}

class OpenSslSession : public TlsSession {
 public:
  OpenSslSession() : received_(kReceiveChunk) {}

  int Handshake(TlsChannel& channel, const char* hostName, const char* const* caFiles,
                unsigned int silenceMilliseconds) override;
  int Write(const char* data, int length) override;
  int Read(char* buffer, int& length, bool& ended) override;
  void Close() override;
  TlsFailure Failure() const override { return failure_; }
  bool Resumed() const override { return ssl_ && SSL_session_reused(ssl_.get()) == 1; }

 private:
  int Fail(TlsFailure failure) {
    failure_ = failure;
    open_ = false;
    return -1;
  }
  // What a call on a session that is not open returns.
  int Closed() const {
    if (channelError_ != 0) return channelError_;
    if (failure_ == TlsFailure::kTruncated) return WSAECONNRESET;
    return failure_ == TlsFailure::kNone ? WSAENOTCONN : -1;
  }
  bool Prepare(const char* hostName, const char* const* caFiles);
  // Sends what the engine has written into the outgoing BIO.
  int Flush();
  // Reads the channel once into the incoming BIO; the count read goes to
  // `count`, and the peer's end of stream becomes the BIO's end of data.
  int ReceiveOnce(int& count);
  // Adds to the `length` bytes in `buffer` what the engine holds already.
  void FillFromHeld(char* buffer, int capacity, int& length);
  // The result of a failed engine call `result` with OpenSSL's error queue.
  int EngineFailure(int result);

  std::unique_ptr<SSL_CTX, ContextFree> context_;
  std::unique_ptr<SSL, SslFree> ssl_;
  BIO* incoming_ = nullptr;  // owned by ssl_
  BIO* outgoing_ = nullptr;  // owned by ssl_
  TlsChannel* channel_ = nullptr;
  std::vector<char> received_;
  std::string hostName_;  // the key of the sessions this one keeps
  bool open_ = false;
  int channelError_ = 0;  // the channel's code that ended the session
  bool peerEnded_ = false;
  bool closeNotified_ = false;
  std::chrono::milliseconds silence_{0};  // the handshake's silence bound
  TlsFailure failure_ = TlsFailure::kNone;
};

int KeepSession(SSL* ssl, SSL_SESSION* session);

// A context trusting the system's roots and `caFiles`, made anew.
SSL_CTX* NewContext(const char* const* caFiles) {
  SSL_CTX* context = SSL_CTX_new(TLS_client_method());
  if (context == nullptr) return nullptr;
  SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
  SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
  // Sessions are kept by host name below, not by the engine's own cache.
  SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
  SSL_CTX_sess_set_new_cb(context, KeepSession);
  // The whole bundle at once: the context is shared by every session, and
  // roots looked up lazily would be added to it by concurrent handshakes.
  SSL_CTX_set_default_verify_paths(context);
  // A file that cannot be read adds nothing; the system's roots remain.
  for (const char* const* caFile = caFiles; caFile != nullptr && *caFile != nullptr; ++caFile) {
    SSL_CTX_load_verify_file(context, *caFile);
  }
  // Each trusted certificate works out its extensions now, while one thread
  // holds the context: done lazily, the first handshakes would write them
  // while others read.
  STACK_OF(X509_OBJECT)* objects = X509_STORE_get0_objects(SSL_CTX_get_cert_store(context));
  for (int i = 0; i < sk_X509_OBJECT_num(objects); ++i) {
    X509* certificate = X509_OBJECT_get0_X509(sk_X509_OBJECT_value(objects, i));
    if (certificate != nullptr) X509_check_purpose(certificate, -1, 0);
  }
  ERR_clear_error();
  return context;
}

// Loading the system's roots costs more than a handshake on a near server,
// so the last context made is kept for the next session with the same trust:
// the same files, none of them changed since (name, size and time).
std::mutex contextLock;
SSL_CTX* keptContext = nullptr;  // one reference held; guarded by contextLock
char* keptTrust = nullptr;       // malloc'd: freed by no destructor at exit

// A session to resume per host name, for the kept context only: a resumed
// handshake skips the certificate exchange and the server's signature,
// which cost more than the rest of a command's exchange. Only a server that
// holds the session's secret can resume it, and the session was checked
// against the same trust and the same name when it was made.
constexpr int kKeptSessions = 8;
struct KeptSession {
  char* host;  // malloc'd
  SSL_SESSION* session;
};
KeptSession keptSessions[kKeptSessions];  // guarded by contextLock
int nextKeptSession = 0;

void ForgetSessions() {
  for (KeptSession& kept : keptSessions) {
    std::free(kept.host);
    if (kept.session != nullptr) SSL_SESSION_free(kept.session);
    kept = KeptSession{nullptr, nullptr};
  }
}

// The engine's new-session callback: 1 when the session's reference is kept.
int KeepSession(SSL* ssl, SSL_SESSION* session) {
  const char* host = static_cast<const char*>(SSL_get_app_data(ssl));
  if (host == nullptr || SSL_SESSION_is_resumable(session) != 1) return 0;
  std::lock_guard<std::mutex> hold(contextLock);
  if (SSL_get_SSL_CTX(ssl) != keptContext) return 0;
  KeptSession* slot = nullptr;
  for (KeptSession& kept : keptSessions) {
    if (kept.host != nullptr && std::strcmp(kept.host, host) == 0) slot = &kept;
  }
  if (slot == nullptr) {
    char* copy = static_cast<char*>(std::malloc(std::strlen(host) + 1));
    if (copy == nullptr) return 0;
    std::strcpy(copy, host);
    slot = &keptSessions[nextKeptSession];
    nextKeptSession = (nextKeptSession + 1) % kKeptSessions;
    std::free(slot->host);
    slot->host = copy;
  }
  if (slot->session != nullptr) SSL_SESSION_free(slot->session);
  slot->session = session;
  return 1;
}

// Offers `ssl` the session kept for `host`, if any.
void OfferKeptSession(SSL* ssl, const char* host) {
  std::lock_guard<std::mutex> hold(contextLock);
  if (SSL_get_SSL_CTX(ssl) != keptContext) return;
  for (const KeptSession& kept : keptSessions) {
    if (kept.host != nullptr && kept.session != nullptr && std::strcmp(kept.host, host) == 0) {
      // A copy of its own: a handshake writes into the session it resumes,
      // and other threads may resume the same one at once.
      SSL_SESSION* copy = SSL_SESSION_dup(kept.session);
      if (copy == nullptr) return;
      SSL_set_session(ssl, copy);
      SSL_SESSION_free(copy);
      return;
    }
  }
}

std::string TrustKey(const char* const* caFiles) {
  std::string key;
  for (const char* const* caFile = caFiles; caFile != nullptr && *caFile != nullptr; ++caFile) {
    struct stat status;
    key += *caFile;
    if (::stat(*caFile, &status) == 0) {
      key += '|' + std::to_string(status.st_size) + '|' + std::to_string(status.st_mtim.tv_sec) +
             '.' + std::to_string(status.st_mtim.tv_nsec);
    }
    key += '\n';
  }
  return key;
}

// A context for `caFiles` with a reference for the caller, or null.
SSL_CTX* SharedContext(const char* const* caFiles) {
  std::string key = TrustKey(caFiles);
  std::lock_guard<std::mutex> hold(contextLock);
  if (keptContext == nullptr || keptTrust == nullptr || key != keptTrust) {
    SSL_CTX* fresh = NewContext(caFiles);
    if (fresh == nullptr) return nullptr;
    char* trust = static_cast<char*>(std::malloc(key.size() + 1));
    if (trust == nullptr) return fresh;  // used once, not kept
    std::memcpy(trust, key.c_str(), key.size() + 1);
    if (keptContext != nullptr) SSL_CTX_free(keptContext);
    std::free(keptTrust);
    ForgetSessions();
    keptContext = fresh;
    keptTrust = trust;
  }
  SSL_CTX_up_ref(keptContext);
  return keptContext;
}

bool OpenSslSession::Prepare(const char* hostName, const char* const* caFiles) {
  context_.reset(SharedContext(caFiles));
  if (!context_) return false;

  ssl_.reset(SSL_new(context_.get()));
  if (!ssl_) return false;
  SSL* ssl = ssl_.get();
  incoming_ = BIO_new(BIO_s_mem());
  outgoing_ = BIO_new(BIO_s_mem());
  if (incoming_ == nullptr || outgoing_ == nullptr) {
    BIO_free(incoming_);
    BIO_free(outgoing_);
    incoming_ = outgoing_ = nullptr;
    return false;
  }
  // An empty incoming BIO means "wait for more", until the peer ends.
  BIO_set_mem_eof_return(incoming_, -1);
  SSL_set_bio(ssl, incoming_, outgoing_);

  if (IsIpAddress(hostName)) {
    if (X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), hostName) != 1) return false;
  } else {
    SSL_set_hostflags(ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    if (SSL_set1_host(ssl, hostName) != 1) return false;
    if (SSL_set_tlsext_host_name(ssl, hostName) != 1) return false;
  }
  hostName_ = hostName;
  SSL_set_app_data(ssl, hostName_.c_str());
  OfferKeptSession(ssl, hostName);
  SSL_set_connect_state(ssl);
  return true;
}

int OpenSslSession::Flush() {
  char* data = nullptr;
  long pending = BIO_get_mem_data(outgoing_, &data);
  if (pending <= 0) return 0;
  int result = channel_->SendRaw(data, static_cast<int>(pending));
  (void)BIO_reset(outgoing_);
  // A channel that failed ends the session with its own code.
  if (result != 0) {
    open_ = false;
    channelError_ = result;
  }
  return result;
}

int OpenSslSession::ReceiveOnce(int& count) {
  count = static_cast<int>(received_.size());
  bool ended = false;
  int result = channel_->ReceiveRaw(received_.data(), count, ended);
  if (result != 0) {
    count = 0;
    open_ = false;
    channelError_ = result;
    return result;
  }
  if (count > 0) BIO_write(incoming_, received_.data(), count);
  if (count == 0 && ended) {
    peerEnded_ = true;
    BIO_set_mem_eof_return(incoming_, 0);
  }
  return 0;
}

int OpenSslSession::EngineFailure(int result) {
  int error = SSL_get_error(ssl_.get(), result);
  unsigned long reason = ERR_peek_error();
  ERR_clear_error();
  // The alert the engine wrote on its way out tells the peer why; the
  // engine's failure, not the channel's, is the one to report.
  int channelError = channelError_;
  Flush();
  channelError_ = channelError;
  long verifyResult = SSL_get_verify_result(ssl_.get());
  if (verifyResult != X509_V_OK) return Fail(FailureFromVerifyResult(verifyResult));
  if (error == SSL_ERROR_SSL && ERR_GET_LIB(reason) == ERR_LIB_SSL) {
    switch (ERR_GET_REASON(reason)) {
      case SSL_R_UNEXPECTED_EOF_WHILE_READING:
        Fail(TlsFailure::kTruncated);
        return WSAECONNRESET;
      case SSL_R_WRONG_VERSION_NUMBER:
      case SSL_R_PACKET_LENGTH_TOO_LONG:
      case SSL_R_RECORD_LENGTH_MISMATCH:
      case SSL_R_HTTP_REQUEST:
      case SSL_R_HTTPS_PROXY_REQUEST:
        return Fail(TlsFailure::kNotTls);
      case SSL_R_UNSUPPORTED_PROTOCOL:
      case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION:
      case SSL_R_NO_PROTOCOLS_AVAILABLE:
      case SSL_R_VERSION_TOO_LOW:
        return Fail(TlsFailure::kOldProtocol);
      default:
        break;
    }
  }
  if (peerEnded_) {
    Fail(TlsFailure::kTruncated);
    return WSAECONNRESET;
  }
  return Fail(TlsFailure::kOther);
}

int OpenSslSession::Handshake(TlsChannel& channel, const char* hostName, const char* const* caFiles,
                              unsigned int silenceMilliseconds) {
  // One handshake per session: a second one leaves the first alone.
  if (ssl_) return WSAEISCONN;
  if (hostName == nullptr) return Fail(TlsFailure::kOther);
  channel_ = &channel;
  failure_ = TlsFailure::kNone;
  if (!Prepare(hostName, caFiles)) {
    ERR_clear_error();
    return Fail(TlsFailure::kOther);
  }
  typedef std::chrono::steady_clock Clock;
  Clock::time_point lastArrival = Clock::now();
  const auto silence = std::chrono::milliseconds(silenceMilliseconds);
  silence_ = silence;
  for (;;) {
    ERR_clear_error();
    int result = SSL_do_handshake(ssl_.get());
    if (result == 1) {
      int sent = Flush();
      if (sent != 0) return sent;
      open_ = true;
      return 0;
    }
    if (SSL_get_error(ssl_.get(), result) != SSL_ERROR_WANT_READ) return EngineFailure(result);
    int sent = Flush();
    if (sent != 0) return sent;
    int count = 0;
    int received = ReceiveOnce(count);
    if (received != 0) return received;
    if (count > 0) {
      lastArrival = Clock::now();
    } else if (!peerEnded_ && Clock::now() - lastArrival >= silence) {
      return Fail(TlsFailure::kStalled);
    }
  }
}

int OpenSslSession::Write(const char* data, int length) {
  if (!open_) return Closed();
  if (length <= 0) return 0;
  // In slices, each sent before the next is encrypted: the outgoing BIO
  // would otherwise hold a second, encrypted copy of a whole body.
  while (length > 0) {
    int slice = length < kWriteSlice ? length : kWriteSlice;
    ERR_clear_error();
    int result = SSL_write(ssl_.get(), data, slice);
    if (result <= 0) return EngineFailure(result);
    int sent = Flush();
    if (sent != 0) return sent;
    data += result;
    length -= result;
  }
  return 0;
}

int OpenSslSession::Read(char* buffer, int& length, bool& ended) {
  int capacity = length;
  length = 0;
  ended = false;
  if (closeNotified_) {
    ended = true;
    return 0;
  }
  if (!open_) return Closed();
  if (capacity <= 0) return 0;
  // Neither a part of a record nor a record without data (a session ticket,
  // a key update) ends the call: it reads on while bytes arrive, so that 0
  // bytes keeps meaning a wait that ran out. A peer whose bytes never make
  // data within the silence bound fails the read.
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    // Bytes already decrypted or already received come first.
    ERR_clear_error();
    int result = SSL_read(ssl_.get(), buffer, capacity);
    // A post-handshake message may have made the engine answer.
    int sent = Flush();
    if (result > 0) {
      // A channel failure in the answer shows on the next call.
      length = result;
      FillFromHeld(buffer, capacity, length);
      return 0;
    }
    if (sent != 0) return sent;
    int error = SSL_get_error(ssl_.get(), result);
    if (error == SSL_ERROR_ZERO_RETURN) {
      closeNotified_ = true;
      ended = true;
      return 0;
    }
    if (error != SSL_ERROR_WANT_READ) return EngineFailure(result);
    if (std::chrono::steady_clock::now() - start >= silence_) return WSAETIMEDOUT;
    int count = 0;
    int received = ReceiveOnce(count);
    if (received != 0) return received;
    if (count == 0 && !peerEnded_) return 0;
  }
}

void OpenSslSession::FillFromHeld(char* buffer, int capacity, int& length) {
  // Fewer, larger pieces for the caller: records already received fill the
  // rest of the buffer without reading the channel.
  while (length < capacity) {
    ERR_clear_error();
    int more = SSL_read(ssl_.get(), buffer + length, capacity - length);
    if (more <= 0) {
      // close_notify ends the next call; a failure shows there too.
      if (SSL_get_error(ssl_.get(), more) == SSL_ERROR_ZERO_RETURN) closeNotified_ = true;
      ERR_clear_error();
      break;
    }
    length += more;
  }
  Flush();
}

void OpenSslSession::Close() {
  if (!open_) return;
  open_ = false;
  ERR_clear_error();
  SSL_shutdown(ssl_.get());
  Flush();
  ERR_clear_error();
}

}  // namespace

std::unique_ptr<TlsSession> TlsSession::Create() {
  return std::unique_ptr<TlsSession>(new OpenSslSession);
}

}  // namespace os
