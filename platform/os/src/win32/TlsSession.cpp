// The TLS session on Windows: Schannel through SSPI, moving its records
// through the owner's TlsChannel. Schannel is told to leave the server's
// certificate to us (TlsCertificateCheck), since not every implementation
// of it checks anything.
#include "os/TlsSession.h"

#include "TlsCertificateCheck.h"
#include "os/SocketApi.h"
#include "os/WindowsApi.h"

#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace os {
namespace {

// How much is read from the channel at once: many records while a body
// streams, as the plain path reads (a socket read costs a round trip to the
// server process under Wine).
constexpr int kReadBlock = 256 * 1024;
// Bytes held waiting for a record to complete: far beyond any record or
// handshake flight, so that only a broken peer reaches it.
constexpr std::size_t kMaxHeld = 1024 * 1024;
// Handshake calls a single exchange may take, so that a peer cannot keep the
// engine turning for ever without sending anything new.
constexpr int kMaxHandshakeSteps = 1000;

// How much of the peer's first reply is kept to tell why a handshake failed.
constexpr std::size_t kFirstBytes = 16;
// A TLS record's header: type, version and the length of what follows.
constexpr std::size_t kRecordHeader = 5;

constexpr DWORD kContextRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                  ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY |
                                  ISC_REQ_STREAM;

// Frees a token the engine allocated.
struct ContextBufferFreer {
  void operator()(void* buffer) const { FreeContextBuffer(buffer); }
};
using ContextBuffer = std::unique_ptr<void, ContextBufferFreer>;

// Whether `bytes` can begin a TLS record (types 20 to 24: cipher change,
// alert, handshake, application data, heartbeat; major version 3), as far
// as they go.
bool LooksLikeTlsRecord(const std::vector<char>& bytes) {
  if (bytes.empty()) return true;
  unsigned char type = static_cast<unsigned char>(bytes[0]);
  if (type < 20 || type > 24) return false;
  return bytes.size() < 2 || bytes[1] == 3;
}

// Whether the peer's first bytes show it has no version in common with us:
// its protocol_version alert, or a server hello of TLS 1.1 or older.
bool ShowsOldProtocol(const std::vector<char>& bytes) {
  if (bytes.size() >= 7 && bytes[0] == 21 && bytes[6] == 70) return true;
  return bytes.size() >= 11 && bytes[0] == 22 && bytes[5] == 2 && bytes[9] == 3 && bytes[10] < 3;
}

// Failures of the engine that mean the peer's reply was no TLS at all.
bool MeansNotTls(SECURITY_STATUS status) {
  return status == SEC_E_ILLEGAL_MESSAGE || status == SEC_E_INVALID_TOKEN;
}

class SchannelSession : public TlsSession {
 public:
  SchannelSession() {
    SecInvalidateHandle(&credentials_);
    SecInvalidateHandle(&context_);
  }
  ~SchannelSession() override {
    if (SecIsValidHandle(&context_)) DeleteSecurityContext(&context_);
  }

  int Handshake(TlsChannel& channel, const char* hostName, const char* const* caFiles,
                unsigned int silenceMilliseconds) override;
  int Write(const char* data, int length) override;
  int Read(char* buffer, int& length, bool& ended) override;
  void Close() override;
  TlsFailure Failure() const override { return failure_; }
  bool Resumed() const override;

 private:
  enum class State { kNew, kOpen, kEnded, kClosed, kFailed };

  int Fail(TlsFailure failure, int result = -1);
  bool AcquireCredentials();
  // Runs handshake steps until the context is complete, reading the channel
  // as needed: the first handshake when `context_` is not yet valid, else a
  // renegotiation or post-handshake message.
  int RunHandshake();
  // Reads once from the channel into `incoming_`, counting silence. Returns
  // 0 (possibly with nothing read) or a failure's result.
  int ReadIncoming(bool& gotBytes, bool& ended);
  // Checks the version and the certificate of a completed handshake and
  // takes the record sizes.
  int AcceptHandshake();
  // Drops the bytes of `incoming_` that records already decrypted took.
  void CompactIncoming();
  // Keeps the `count` unprocessed bytes that end `incoming_`.
  void KeepTail(unsigned long count);
  // Decrypts the next record of `incoming_`: 1 when it gave plaintext (or
  // none but moved on), 0 when more bytes are needed, or a failure's result
  // via `result` (returning -1).
  int DecryptNext(int& result);
  // Moves held plaintext behind the `length` bytes in `buffer`.
  void TakePlain(char* buffer, int capacity, int& length);

  CredHandle credentials_;  // the process's, shared by every session
  CtxtHandle context_;
  TlsChannel* channel_ = nullptr;
  State state_ = State::kNew;
  TlsFailure failure_ = TlsFailure::kNone;
  int failedResult_ = 0;  // what every call returns once the session failed
  std::string hostName_;
  std::vector<std::string> caFiles_;
  std::chrono::milliseconds silence_{0};
  std::chrono::steady_clock::time_point lastByte_;
  bool everReceived_ = false;
  // The first bytes the peer sent, kept to tell why a handshake failed.
  std::vector<char> firstBytes_;
  std::vector<char> incoming_;  // received, not yet processed from `decrypted_` on
  std::size_t decrypted_ = 0;   // the bytes of `incoming_` that Read has decrypted
  std::string plain_;           // decrypted, not yet returned
  std::size_t plainOffset_ = 0;
  SecPkgContext_StreamSizes sizes_{};
};

int SchannelSession::Fail(TlsFailure failure, int result) {
  failure_ = failure;
  failedResult_ = result;
  state_ = State::kFailed;
  return result;
}

// One credentials handle for every session of the process, made at the first
// handshake and never freed: the engine resumes a session (skipping the
// certificate exchange and the server's signature) only for the credentials
// that made it. The certificate is checked by us on every handshake, resumed
// or not, so sharing them trusts nothing more.
std::mutex credentialsLock;
CredHandle sharedCredentials;  // guarded by credentialsLock
bool haveSharedCredentials = false;

bool AcquireSharedCredentials(CredHandle& credentials) {
  std::lock_guard<std::mutex> hold(credentialsLock);
  if (haveSharedCredentials) {
    credentials = sharedCredentials;
    return true;
  }
  SCHANNEL_CRED cred;
  std::memset(&cred, 0, sizeof cred);
  cred.dwVersion = SCHANNEL_CRED_VERSION;
  cred.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
  DWORD protocols[] = {
#ifdef SP_PROT_TLS1_3_CLIENT
      SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT,
#endif
      SP_PROT_TLS1_2_CLIENT};
  // Systems that do not know TLS 1.3 refuse it in the list: ask again
  // without it.
  for (DWORD enabled : protocols) {
    cred.grbitEnabledProtocols = enabled;
    TimeStamp expiry;
    SECURITY_STATUS status =
        AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND,
                                  nullptr, &cred, nullptr, nullptr, &sharedCredentials, &expiry);
    if (status == SEC_E_OK) {
      haveSharedCredentials = true;
      credentials = sharedCredentials;
      return true;
    }
  }
  return false;
}

bool SchannelSession::AcquireCredentials() { return AcquireSharedCredentials(credentials_); }

bool SchannelSession::Resumed() const {
  if (!SecIsValidHandle(&context_)) return false;
  SecPkgContext_SessionInfo info;
  std::memset(&info, 0, sizeof info);
  CtxtHandle context = context_;
  if (QueryContextAttributesA(&context, SECPKG_ATTR_SESSION_INFO, &info) != SEC_E_OK) return false;
  return (info.dwFlags & SSL_SESSION_RECONNECT) != 0;
}

int SchannelSession::Handshake(TlsChannel& channel, const char* hostName,
                               const char* const* caFiles, unsigned int silenceMilliseconds) {
  if (state_ != State::kNew || hostName == nullptr) return Fail(TlsFailure::kOther);
  channel_ = &channel;
  hostName_ = hostName;
  for (const char* const* file = caFiles; file != nullptr && *file != nullptr; ++file) {
    caFiles_.emplace_back(*file);
  }
  silence_ = std::chrono::milliseconds(silenceMilliseconds);
  if (!AcquireCredentials()) return Fail(TlsFailure::kOther);
  int result = RunHandshake();
  if (result != 0) return result;
  return AcceptHandshake();
}

int SchannelSession::ReadIncoming(bool& gotBytes, bool& ended) {
  gotBytes = false;
  ended = false;
  CompactIncoming();
  if (incoming_.size() >= kMaxHeld) return Fail(TlsFailure::kOther);
  std::size_t held = incoming_.size();
  incoming_.resize(held + kReadBlock);
  int length = kReadBlock;
  int result = channel_->ReceiveRaw(incoming_.data() + held, length, ended);
  if (result != 0 || length < 0 || length > kReadBlock) length = 0;
  incoming_.resize(held + static_cast<std::size_t>(length));
  if (result != 0) return Fail(TlsFailure::kNone, result);
  if (length > 0) {
    gotBytes = true;
    everReceived_ = true;
    lastByte_ = std::chrono::steady_clock::now();
    if (firstBytes_.size() < kFirstBytes) {
      std::size_t take =
          std::min<std::size_t>(kFirstBytes - firstBytes_.size(), incoming_.size() - held);
      firstBytes_.insert(firstBytes_.end(), incoming_.begin() + held,
                         incoming_.begin() + held + take);
    }
  }
  return 0;
}

void SchannelSession::CompactIncoming() {
  incoming_.erase(incoming_.begin(), incoming_.begin() + static_cast<std::ptrdiff_t>(decrypted_));
  decrypted_ = 0;
}

void SchannelSession::KeepTail(unsigned long count) {
  if (count == 0 || count > incoming_.size()) {
    incoming_.clear();
    return;
  }
  incoming_.erase(incoming_.begin(), incoming_.end() - count);
}

int SchannelSession::RunHandshake() {
  CompactIncoming();
  bool first = !SecIsValidHandle(&context_);
  // The engine speaks first: the client hello, or its answer to the peer's
  // request (which may have come without bytes of its own).
  bool needInput = false;
  lastByte_ = std::chrono::steady_clock::now();
  char* target = &hostName_[0];
  bool progressed = false;  // the engine has taken some of the peer's bytes
  for (int step = 0; step < kMaxHandshakeSteps; ++step) {
    if (needInput) {
      bool gotBytes = false;
      bool ended = false;
      int result = ReadIncoming(gotBytes, ended);
      if (result != 0) return result;
      if (!LooksLikeTlsRecord(firstBytes_)) return Fail(TlsFailure::kNotTls);
      if (ended && !gotBytes) return Fail(TlsFailure::kTruncated, WSAECONNRESET);
      if (!gotBytes) {
        if (std::chrono::steady_clock::now() - lastByte_ >= silence_) {
          return Fail(TlsFailure::kStalled);
        }
        --step;  // a wait that ran out is no step; the silence bound ends it
        continue;
      }
    }
    SecBuffer inBuffers[2];
    inBuffers[0].BufferType = SECBUFFER_TOKEN;
    inBuffers[0].pvBuffer = incoming_.empty() ? nullptr : incoming_.data();
    inBuffers[0].cbBuffer = static_cast<unsigned long>(incoming_.size());
    inBuffers[1].BufferType = SECBUFFER_EMPTY;
    inBuffers[1].pvBuffer = nullptr;
    inBuffers[1].cbBuffer = 0;
    SecBufferDesc inDesc = {SECBUFFER_VERSION, 2, inBuffers};
    SecBuffer outBuffer = {0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, &outBuffer};
    DWORD attributes = 0;
    TimeStamp expiry;
    bool starting = first && step == 0;
    SECURITY_STATUS status =
        InitializeSecurityContextA(&credentials_, starting ? nullptr : &context_, target,
                                   kContextRequest, 0, 0, starting ? nullptr : &inDesc, 0,
                                   starting ? &context_ : nullptr, &outDesc, &attributes, &expiry);
    ContextBuffer token(outBuffer.pvBuffer);

    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      needInput = true;  // keep what is held and read more
      continue;
    }
    if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED &&
        status != SEC_I_INCOMPLETE_CREDENTIALS) {
      if (!LooksLikeTlsRecord(firstBytes_)) return Fail(TlsFailure::kNotTls);
      if (!first) return Fail(TlsFailure::kOther);
      if (ShowsOldProtocol(firstBytes_) || status == SEC_E_UNSUPPORTED_FUNCTION ||
          status == SEC_E_ALGORITHM_MISMATCH) {
        return Fail(TlsFailure::kOldProtocol);
      }
      // A first reply too short to hold a record header is no TLS either;
      // an alert (or anything longer) is the peer's TLS refusing us.
      if (!progressed && everReceived_ && firstBytes_.size() < 5 && MeansNotTls(status)) {
        return Fail(TlsFailure::kNotTls);
      }
      return Fail(TlsFailure::kOther);
    }
    if (outBuffer.cbBuffer > 0 && outBuffer.pvBuffer != nullptr) {
      int result = channel_->SendRaw(static_cast<const char*>(outBuffer.pvBuffer),
                                     static_cast<int>(outBuffer.cbBuffer));
      if (result != 0) return Fail(TlsFailure::kNone, result);
    }
    if (starting) {
      needInput = true;
      continue;
    }
    // The server asked for a certificate and none is offered: the engine
    // goes on without one when called again with the same bytes.
    if (status == SEC_I_INCOMPLETE_CREDENTIALS) {
      needInput = false;
      continue;
    }
    progressed = true;
    // Bytes behind the processed ones: the next handshake message, or after
    // the last one, application data for Read.
    if (inBuffers[1].BufferType == SECBUFFER_EXTRA) {
      KeepTail(inBuffers[1].cbBuffer);
    } else {
      incoming_.clear();
    }
    if (status == SEC_E_OK) return 0;
    needInput = incoming_.empty();
  }
  return Fail(TlsFailure::kOther);
}

int SchannelSession::AcceptHandshake() {
  SecPkgContext_ConnectionInfo info;
  std::memset(&info, 0, sizeof info);
  if (QueryContextAttributesA(&context_, SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK) {
    return Fail(TlsFailure::kOther);
  }
  DWORD modern = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_2_SERVER;
#ifdef SP_PROT_TLS1_3_CLIENT
  modern |= SP_PROT_TLS1_3_CLIENT | SP_PROT_TLS1_3_SERVER;
#endif
  if ((info.dwProtocol & modern) == 0) return Fail(TlsFailure::kOldProtocol);

  PCCERT_CONTEXT certificate = nullptr;
  if (QueryContextAttributesA(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) !=
          SEC_E_OK ||
      certificate == nullptr) {
    return Fail(TlsFailure::kUntrusted);
  }
  TlsFailure verdict = CheckServerCertificate(certificate, hostName_.c_str(), caFiles_);
  CertFreeCertificateContext(certificate);
  if (verdict != TlsFailure::kNone) return Fail(verdict);

  if (QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) != SEC_E_OK ||
      sizes_.cbMaximumMessage == 0) {
    return Fail(TlsFailure::kOther);
  }
  state_ = State::kOpen;
  failure_ = TlsFailure::kNone;
  return 0;
}

int SchannelSession::Write(const char* data, int length) {
  if (state_ != State::kOpen) return state_ == State::kFailed ? failedResult_ : WSAENOTCONN;
  if (length < 0 || (length > 0 && data == nullptr)) return WSAEINVAL;
  std::vector<char> record(sizes_.cbHeader + sizes_.cbMaximumMessage + sizes_.cbTrailer);
  while (length > 0) {
    unsigned long piece = static_cast<unsigned long>(length);
    if (piece > sizes_.cbMaximumMessage) piece = sizes_.cbMaximumMessage;
    std::memcpy(record.data() + sizes_.cbHeader, data, piece);
    SecBuffer buffers[4];
    buffers[0] = {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record.data()};
    buffers[1] = {piece, SECBUFFER_DATA, record.data() + sizes_.cbHeader};
    buffers[2] = {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER,
                  record.data() + sizes_.cbHeader + piece};
    buffers[3] = {0, SECBUFFER_EMPTY, nullptr};
    SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
    if (EncryptMessage(&context_, 0, &desc, 0) != SEC_E_OK) return Fail(TlsFailure::kOther);
    // The header, data and trailer lie one after the other in `record`.
    int total = static_cast<int>(buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
    int result = channel_->SendRaw(record.data(), total);
    if (result != 0) return Fail(TlsFailure::kNone, result);
    data += piece;
    length -= static_cast<int>(piece);
  }
  return 0;
}

int SchannelSession::DecryptNext(int& result) {
  std::size_t available = incoming_.size() - decrypted_;
  if (available == 0) return 0;
  char* held = incoming_.data() + decrypted_;
  // One whole record at a time, as its header tells, so that what lies
  // behind it stays where it is until the next read rather than moving
  // after every record.
  std::size_t handed = available;
  if (available >= kRecordHeader) {
    std::size_t record = kRecordHeader + (static_cast<unsigned char>(held[3]) << 8 |
                                          static_cast<unsigned char>(held[4]));
    if (record <= available) handed = record;
  }
  SecBuffer buffers[4];
  buffers[0] = {static_cast<unsigned long>(handed), SECBUFFER_DATA, held};
  for (int i = 1; i < 4; ++i) buffers[i] = {0, SECBUFFER_EMPTY, nullptr};
  SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
  SECURITY_STATUS status = DecryptMessage(&context_, &desc, 0, nullptr);
  if (status == SEC_E_INCOMPLETE_MESSAGE) return 0;
  if (status != SEC_E_OK && status != SEC_I_CONTEXT_EXPIRED && status != SEC_I_RENEGOTIATE) {
    result = Fail(TlsFailure::kOther);
    return -1;
  }
  // The plaintext is decrypted in place inside `incoming_`: take it before
  // the held bytes move.
  std::size_t decrypted = 0;
  unsigned long extra = 0;
  for (SecBuffer& buffer : buffers) {
    if (buffer.BufferType == SECBUFFER_DATA && buffer.pvBuffer != nullptr) {
      plain_.append(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
      decrypted += buffer.cbBuffer;
    } else if (buffer.BufferType == SECBUFFER_EXTRA) {
      extra = buffer.cbBuffer;
    }
  }
  decrypted_ += extra <= handed ? handed - extra : handed;
  // The peer's close_notify: reported as the context's end, or by some
  // implementations as success with no data.
  if (status == SEC_I_CONTEXT_EXPIRED || (status == SEC_E_OK && decrypted == 0)) {
    state_ = State::kEnded;
    incoming_.clear();
    decrypted_ = 0;
    return 1;
  }
  if (status == SEC_I_RENEGOTIATE) {
    // The handshake message is in what was kept; the plaintext so far stays.
    result = RunHandshake();
    if (result == 0) result = AcceptHandshake();
    if (result != 0) return -1;
  }
  return 1;
}

int SchannelSession::Read(char* buffer, int& length, bool& ended) {
  int capacity = length;
  length = 0;
  ended = false;
  if (capacity < 0 || (capacity > 0 && buffer == nullptr)) return WSAEINVAL;
  // Neither a part of a record nor a record without data ends the call: it
  // reads on while bytes arrive, so that 0 bytes keeps meaning a wait that
  // ran out. A peer whose bytes never make data within the silence bound
  // fails the read.
  const auto start = std::chrono::steady_clock::now();
  while (plainOffset_ == plain_.size()) {
    plain_.clear();
    plainOffset_ = 0;
    if (state_ == State::kEnded) {
      ended = true;
      return 0;
    }
    if (state_ != State::kOpen) return state_ == State::kFailed ? failedResult_ : WSAENOTCONN;
    int result = 0;
    int progress = DecryptNext(result);
    if (progress < 0) return result;
    if (progress > 0) continue;
    // A whole record is not held yet.
    if (std::chrono::steady_clock::now() - start >= silence_) return WSAETIMEDOUT;
    bool gotBytes = false;
    bool channelEnded = false;
    result = ReadIncoming(gotBytes, channelEnded);
    if (result != 0) return result;
    if (channelEnded && !gotBytes) return Fail(TlsFailure::kTruncated, WSAECONNRESET);
    if (!gotBytes) return 0;
  }
  TakePlain(buffer, capacity, length);
  // Fewer, larger pieces for the caller: records already received fill the
  // rest of the buffer without reading the channel. A failure among them
  // shows on the next call.
  while (length < capacity && state_ == State::kOpen) {
    plain_.clear();
    plainOffset_ = 0;
    int result = 0;
    if (DecryptNext(result) <= 0) break;
    TakePlain(buffer, capacity, length);
  }
  return 0;
}

void SchannelSession::TakePlain(char* buffer, int capacity, int& length) {
  std::size_t room = static_cast<std::size_t>(capacity - length);
  std::size_t available = plain_.size() - plainOffset_;
  std::size_t count = available < room ? available : room;
  std::memcpy(buffer + length, plain_.data() + plainOffset_, count);
  plainOffset_ += count;
  length += static_cast<int>(count);
}

void SchannelSession::Close() {
  if (state_ != State::kOpen && state_ != State::kEnded) return;
  state_ = State::kClosed;
  DWORD shutdown = SCHANNEL_SHUTDOWN;
  SecBuffer control = {sizeof shutdown, SECBUFFER_TOKEN, &shutdown};
  SecBufferDesc controlDesc = {SECBUFFER_VERSION, 1, &control};
  if (ApplyControlToken(&context_, &controlDesc) != SEC_E_OK) return;
  SecBuffer outBuffer = {0, SECBUFFER_TOKEN, nullptr};
  SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, &outBuffer};
  DWORD attributes = 0;
  TimeStamp expiry;
  SECURITY_STATUS status =
      InitializeSecurityContextA(&credentials_, &context_, &hostName_[0], kContextRequest, 0, 0,
                                 nullptr, 0, nullptr, &outDesc, &attributes, &expiry);
  ContextBuffer token(outBuffer.pvBuffer);
  if ((status == SEC_E_OK || status == SEC_I_CONTEXT_EXPIRED) && outBuffer.cbBuffer > 0 &&
      outBuffer.pvBuffer != nullptr) {
    channel_->SendRaw(static_cast<const char*>(outBuffer.pvBuffer),
                      static_cast<int>(outBuffer.cbBuffer));
  }
}

}  // namespace

std::unique_ptr<TlsSession> TlsSession::Create() {
  return std::unique_ptr<TlsSession>(new SchannelSession());
}

}  // namespace os
