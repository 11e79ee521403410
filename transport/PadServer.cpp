// The server object itself: its members, the class-wide proxy setting and the
// connection of an exchange.
#include "transport/PadServer.h"

#include <cstring>
#include <mutex>
#include <new>

#include "kernel/KernelObjects.h"
#include "kernel/KernelText.h"
#include "os/SocketTime.h"
#include "transport/TransferProgress.h"
#include "transport/WaitBounds.h"

namespace {

// The class-wide state; every access holds `classLock`.
std::mutex classLock;
TCP_Address proxyAddress;
TCP_HostName* proxyHostName = nullptr;  // owned; null when no proxy is set
char* noProxyPattern = nullptr;         // owned platform string, or null
int instanceCount = 0;

struct AttributeType {
  const char* key;
  int type;
};

// Keys the reply reader knows, with the type their values are read as.
const AttributeType kAttributeTypes[] = {
    {"id", kMkTypeUnsigned},      {"pid", kMkTypeUnsigned},  {"expand-to", kMkTypeUnsigned},
    {"x", kMkTypeInteger},        {"y", kMkTypeInteger},     {"global-x", kMkTypeInteger},
    {"global-y", kMkTypeInteger}, {"width", kMkTypeInteger}, {"height", kMkTypeInteger},
    {"simage", kMkTypeBool},      {"plaza", kMkTypeBool},
};

MkDictionary* NewAttributeTypes() {
  MkDictionary* types = nullptr;
  try {
    types = new MkDictionary;
  } catch (const std::bad_alloc&) {
    // Kernel objects report exhaustion by throwing; it must not leave here.
    return nullptr;
  }
  for (const AttributeType& entry : kAttributeTypes) {
    char* key = kernel::Text(entry.key);
    if (entry.type == kMkTypeUnsigned) {
      unsigned long zero = 0;
      types->atPut(key, &zero, kMkTypeUnsigned);
    } else if (entry.type == kMkTypeInteger) {
      types->atPut(key, static_cast<int>(0));
    } else {
      types->atPut(key, static_cast<char>(1));
    }
  }
  return types;
}

timeval ReadTimeout() {
  return os::TimevalFromMilliseconds(transport::CurrentWaitBounds().waitMilliseconds);
}

}  // namespace

PadServer::PadServer()
    : serverHostName(nullptr),
      cgiPath(NewString(kernel::Text(""))),
      attributeTypes(nullptr),
      viaProxy(false),
      tls_(false),
      caFiles_(),
      progressBytes_(0),
      progress_(nullptr),
      counting_(false),
      failedResult_(0),
      failedStatus_(0),
      responseStatus_(0),
      notedCause_(0),
      cutOff_(false) {
  {
    std::lock_guard<std::mutex> hold(classLock);
    ++instanceCount;
  }
  attributeTypes = NewAttributeTypes();
}

PadServer::~PadServer() {
  TCP_HostName* lastProxy = nullptr;
  {
    std::lock_guard<std::mutex> hold(classLock);
    if (instanceCount == 1) {
      lastProxy = proxyHostName;
      proxyHostName = nullptr;
      if (noProxyPattern != nullptr) {
        FreeString(&noProxyPattern);
        noProxyPattern = nullptr;
      }
    }
    --instanceCount;
  }
  delete lastProxy;
  delete serverHostName;
  FreeString(&cgiPath);
  ForgetCaFiles();
  SetAuthorization(nullptr, nullptr);
  delete attributeTypes;
  // `connection` closes its socket as it goes.
}

void PadServer::SetServer(const char* host, unsigned short port, const char* path) {
  if (host != nullptr) {
    delete serverHostName;
    serverHostName = new (std::nothrow) TCP_HostName(host);
    serverAddress = TCP_Address();
    if (serverHostName != nullptr) {
      bool resolved = false;
      serverHostName->Resolve(serverAddress, resolved);
    }
    serverAddress.SetPort(port);
  }
  if (path != nullptr) SetNewString(&cgiPath, kernel::Text(path));
}

void PadServer::SetProxy(const char* host, unsigned short port, const char* pattern) {
  // The look-up may take long; it runs before the lock is taken.
  TCP_HostName* newHostName = nullptr;
  TCP_Address newAddress;
  if (host != nullptr) {
    newHostName = new (std::nothrow) TCP_HostName(host);
    if (newHostName != nullptr) {
      bool resolved = false;
      newHostName->Resolve(newAddress, resolved);
    }
    newAddress.SetPort(port);
  }
  TCP_HostName* oldHostName = nullptr;
  {
    std::lock_guard<std::mutex> hold(classLock);
    if (host != nullptr) {
      oldHostName = proxyHostName;
      proxyHostName = newHostName;
      proxyAddress = newAddress;
    }
    if (pattern != nullptr) SetNewString(&noProxyPattern, kernel::Text(pattern));
  }
  delete oldHostName;
}

int PadServer::Connect() {
  // A socket left by an earlier failed attempt is not reused.
  if (connection.handle != INVALID_SOCKET) connection.Close();
  int result = connection.Create();
  if (result != 0) return result;
  TCP_Address target = serverAddress;
  {
    std::lock_guard<std::mutex> hold(classLock);
    const char* serverName = serverHostName != nullptr ? serverHostName->name : nullptr;
    bool direct = noProxyPattern != nullptr && serverName != nullptr &&
                  std::strstr(serverName, noProxyPattern) != nullptr;
    viaProxy = proxyHostName != nullptr && !direct;
    if (viaProxy) target = proxyAddress;
  }
  responseStatus_ = 0;
  // A name that found no address is not tried as one.
  if (target.NetworkAddress() == INADDR_NONE) return WSAHOST_NOT_FOUND;
  result = connection.Connect(target);
  if (result != 0) return result;
  connection.timeout = ReadTimeout();
  return tls_ ? StartSecureExchange() : 0;
}

int PadServer::Disconnect() { return connection.Close(); }

void PadServer::CutOff() {
  cutOff_.store(true);
  connection.Abort();
}

// A response of another status than 2xx is a refusal even where the
// exchange itself went well (a download answered with an error page).
void PadServer::NoteExchange(int result) {
  bool refused = responseStatus_ != 0 && (responseStatus_ < 200 || responseStatus_ > 299);
  if ((result == 0 && !refused) || failedResult_ != 0) return;
  failedResult_ = result != 0 ? result : -1;
  failedStatus_ = responseStatus_;
}

void PadServer::NoteCause(int reason) {
  if (notedCause_ == 0) notedCause_ = reason;
}

void PadServer::StartCount(unsigned long long total) {
  counting_ = progress_ != nullptr;
  if (!counting_) return;
  progress_->moved.store(0);
  progress_->total.store(total);
  progress_->running.store(true);
}

void PadServer::Count(unsigned long long bytes) {
  if (counting_) progress_->moved.fetch_add(bytes);
}

void PadServer::SetCountTotal(unsigned long long total) {
  if (counting_) progress_->total.store(total);
}

void PadServer::StopCount() {
  if (counting_) progress_->running.store(false);
  counting_ = false;
}
