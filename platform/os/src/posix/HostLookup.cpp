// Host look-up on POSIX: gethostbyname_r into storage owned by the calling
// thread, which gives gethostbyname's Winsock lifetime without its races.
#include "os/HostLookup.h"

#include <cerrno>
#include <cstdlib>

#include "ResolverError.h"

namespace {

// Grown on demand with malloc: this layer's memory must stay off the kernel
// heap that operator new may be routed to.
struct LookupStorage {
  hostent entry;
  char* buffer = nullptr;
  std::size_t size = 0;
  ~LookupStorage() { std::free(buffer); }
};

thread_local LookupStorage storage;

constexpr std::size_t kFirstBufferSize = 1024;
constexpr std::size_t kLargestBufferSize = 1024 * 1024;

int WsaErrorFromResolver(int error) {
  switch (error) {
    case HOST_NOT_FOUND:
      return WSAHOST_NOT_FOUND;
    case TRY_AGAIN:
      return WSATRY_AGAIN;
    case NO_DATA:
      return WSANO_DATA;
    default:
      return WSANO_RECOVERY;
  }
}

bool GrowBuffer() {
  std::size_t size = storage.size == 0 ? kFirstBufferSize : storage.size * 2;
  if (size > kLargestBufferSize) return false;
  char* buffer = static_cast<char*>(std::realloc(storage.buffer, size));
  if (buffer == nullptr) return false;
  storage.buffer = buffer;
  storage.size = size;
  return true;
}

}  // namespace

namespace os {

hostent* GetHostByName(const char* name) {
  if (name == nullptr) {
    SetResolverError(WSAHOST_NOT_FOUND);
    return nullptr;
  }
  if (storage.buffer == nullptr && !GrowBuffer()) {
    SetResolverError(WSANO_RECOVERY);
    return nullptr;
  }
  for (;;) {
    hostent* result = nullptr;
    int resolverFailure = 0;
    int status = gethostbyname_r(name, &storage.entry, storage.buffer, storage.size, &result,
                                 &resolverFailure);
    if (status == ERANGE) {
      if (GrowBuffer()) continue;
      SetResolverError(WSANO_RECOVERY);
      return nullptr;
    }
    if (status == 0 && result != nullptr) {
      SetResolverError(0);
      return result;
    }
    SetResolverError(WsaErrorFromResolver(resolverFailure));
    return nullptr;
  }
}

}  // namespace os
