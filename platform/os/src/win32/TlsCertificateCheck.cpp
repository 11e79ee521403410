// The server certificate check: a chain engine of our own that trusts the
// system's roots plus those of the CA file, then the SSL policy for the
// host name and the validity period.
#include "TlsCertificateCheck.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <sys/stat.h>

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace os {
namespace {

// A CA file bigger than this is not a list of certificates: it adds nothing.
constexpr long kMaxCaFileSize = 8L * 1024 * 1024;
// How long the chain engine may wait to fetch a missing intermediate.
constexpr DWORD kUrlRetrievalMilliseconds = 15000;
// The SSL policy's check flag that skips the name (wininet's
// SECURITY_FLAG_IGNORE_CERT_CN_INVALID), for an address matched here.
constexpr DWORD kIgnoreNameMismatch = 0x00001000;

struct StoreCloser {
  void operator()(void* store) const { CertCloseStore(store, 0); }
};
using StorePtr = std::unique_ptr<void, StoreCloser>;

struct ChainFreer {
  void operator()(const CERT_CHAIN_CONTEXT* chain) const { CertFreeCertificateChain(chain); }
};
using ChainPtr = std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFreer>;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// The whole of `path`, or nothing when it cannot be read or is too big.
std::string ReadSmallFile(const char* path) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return std::string();
  std::string text;
  char block[4096];
  std::size_t count;
  while ((count = std::fread(block, 1, sizeof block, file.get())) > 0) {
    text.append(block, count);
    if (text.size() > static_cast<std::size_t>(kMaxCaFileSize)) return std::string();
  }
  if (std::ferror(file.get())) return std::string();
  return text;
}

// Adds each PEM certificate of `caFile` to `store`; blocks that do not
// decode are skipped. Returns how many were added.
int AddPemCertificates(const char* caFile, HCERTSTORE store) {
  static const char kBegin[] = "-----BEGIN CERTIFICATE-----";
  static const char kEnd[] = "-----END CERTIFICATE-----";
  std::string text = ReadSmallFile(caFile);
  int added = 0;
  std::size_t position = 0;
  for (;;) {
    std::size_t begin = text.find(kBegin, position);
    if (begin == std::string::npos) break;
    std::size_t end = text.find(kEnd, begin);
    if (end == std::string::npos) break;
    end += sizeof kEnd - 1;
    position = end;
    DWORD pemLength = static_cast<DWORD>(end - begin);
    DWORD derLength = 0;
    if (!CryptStringToBinaryA(text.data() + begin, pemLength, CRYPT_STRING_BASE64HEADER, nullptr,
                              &derLength, nullptr, nullptr) ||
        derLength == 0) {
      continue;
    }
    std::vector<BYTE> der(derLength);
    if (!CryptStringToBinaryA(text.data() + begin, pemLength, CRYPT_STRING_BASE64HEADER, der.data(),
                              &derLength, nullptr, nullptr)) {
      continue;
    }
    if (CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data(),
                                         derLength, CERT_STORE_ADD_USE_EXISTING, nullptr)) {
      ++added;
    }
  }
  return added;
}

// The system's trusted roots joined with the certificates of `caFiles`, or
// null when the files add none (the engine's own roots then serve).
StorePtr OpenRootsWithCaFiles(const std::vector<std::string>& caFiles) {
  if (caFiles.empty()) return nullptr;
  StorePtr extra(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr));
  if (!extra) return nullptr;
  int added = 0;
  for (const std::string& caFile : caFiles)
    added += AddPemCertificates(caFile.c_str(), extra.get());
  if (added == 0) return nullptr;
  StorePtr roots(CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr));
  if (!roots || !CertAddStoreToCollection(roots.get(), extra.get(), 0, 0)) return nullptr;
  StorePtr system(CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0,
                                CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_READONLY_FLAG, "ROOT"));
  // Without the system's roots the CA file's still count.
  if (system) CertAddStoreToCollection(roots.get(), system.get(), 0, 0);
  return roots;
}

std::wstring WideText(const char* text) {
  int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
  wide.resize(static_cast<std::size_t>(length - 1));
  return wide;
}

TlsFailure FailureOfPolicyError(DWORD error) {
  switch (static_cast<HRESULT>(error)) {
    case S_OK:
    // Revocation is not asked for; should it still come up unresolved, it
    // does not count.
    case CRYPT_E_REVOCATION_OFFLINE:
    case CRYPT_E_NO_REVOCATION_CHECK:
      return TlsFailure::kNone;
    case CERT_E_UNTRUSTEDROOT:
    case CERT_E_CHAINING:
    case TRUST_E_CERT_SIGNATURE:
      return TlsFailure::kUntrusted;
    case CERT_E_CN_NO_MATCH:
      return TlsFailure::kWrongName;
    case CERT_E_EXPIRED:
      return TlsFailure::kExpired;
    default:
      return TlsFailure::kOther;
  }
}

// What the chain's own status says, before any policy: some policy
// implementations pass a chain that ends nowhere or in an untrusted root.
TlsFailure FailureOfChainStatus(DWORD errors) {
  const DWORD kUntrustedErrors = CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_UNTRUSTED_ROOT |
                                 CERT_TRUST_IS_NOT_SIGNATURE_VALID | CERT_TRUST_IS_CYCLIC |
                                 CERT_TRUST_INVALID_BASIC_CONSTRAINTS;
  if ((errors & kUntrustedErrors) != 0) return TlsFailure::kUntrusted;
  if ((errors & CERT_TRUST_IS_NOT_TIME_VALID) != 0) return TlsFailure::kExpired;
  if ((errors & (CERT_TRUST_IS_REVOKED | CERT_TRUST_IS_NOT_VALID_FOR_USAGE)) != 0) {
    return TlsFailure::kOther;
  }
  return TlsFailure::kNone;
}

struct LocalFreer {
  void operator()(void* memory) const { LocalFree(memory); }
};

// Whether `hostName` is an IP address that the certificate's subject
// alternative names list. The SSL policy of some implementations matches
// DNS names only, so an address is matched here.
bool NamesAddress(PCCERT_CONTEXT certificate, const char* hostName) {
  BYTE address[16];
  DWORD addressLength = 0;
  if (InetPtonA(AF_INET, hostName, address) == 1) {
    addressLength = 4;
  } else if (InetPtonA(AF_INET6, hostName, address) == 1) {
    addressLength = 16;
  } else {
    return false;
  }
  const CERT_INFO* info = certificate->pCertInfo;
  PCERT_EXTENSION extension =
      CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
  if (extension == nullptr) return false;
  CERT_ALT_NAME_INFO* names = nullptr;
  DWORD namesSize = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData,
                           extension->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &names,
                           &namesSize)) {
    return false;
  }
  std::unique_ptr<CERT_ALT_NAME_INFO, LocalFreer> owned(names);
  for (DWORD i = 0; i < names->cAltEntry; ++i) {
    const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
    if (entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS &&
        entry.IPAddress.cbData == addressLength &&
        std::memcmp(entry.IPAddress.pbData, address, addressLength) == 0) {
      return true;
    }
  }
  return false;
}

// A chain engine and the roots it trusts, shared by the sessions with the
// same trust: opening the system's roots and making the engine cost more
// than the handshake itself under some implementations. Counted, so that
// one replaced while a session still checks with it goes when that ends;
// malloc'd, so that no destructor runs at exit.
struct SharedEngine {
  std::atomic<int> references;
  HCERTCHAINENGINE engine;
  HCERTSTORE roots;  // may be null: the engine's own roots serve
  char key[1];       // the trust key, as long as it needs
};

void Release(SharedEngine* shared) {
  if (shared == nullptr || shared->references.fetch_sub(1) != 1) return;
  CertFreeCertificateChainEngine(shared->engine);
  if (shared->roots != nullptr) CertCloseStore(shared->roots, 0);
  shared->~SharedEngine();
  std::free(shared);
}

// The files' names with their sizes and times: a file changed since the
// engine was made gives another key.
std::string TrustKey(const std::vector<std::string>& caFiles) {
  std::string key;
  for (const std::string& caFile : caFiles) {
    struct _stat64 status;
    key += caFile;
    if (_stat64(caFile.c_str(), &status) == 0) {
      key += '|' + std::to_string(status.st_size) + '|' + std::to_string(status.st_mtime);
    }
    key += '\n';
  }
  return key;
}

std::mutex engineLock;
SharedEngine* keptEngine = nullptr;  // one reference held; guarded by engineLock

// A new engine trusting the system's roots and `caFiles`, or null.
SharedEngine* NewEngine(const std::vector<std::string>& caFiles, const std::string& key) {
  StorePtr roots = OpenRootsWithCaFiles(caFiles);
  // The size of the structure as Windows 7 has it: newer sizes are refused
  // by some implementations, and this one is accepted everywhere.
  CERT_CHAIN_ENGINE_CONFIG config;
  std::memset(&config, 0, sizeof config);
  config.cbSize = offsetof(CERT_CHAIN_ENGINE_CONFIG, hExclusiveTrustedPeople) + sizeof(HCERTSTORE);
  config.dwUrlRetrievalTimeout = kUrlRetrievalMilliseconds;
  config.hExclusiveRoot = roots.get();
  HCERTCHAINENGINE engine = nullptr;
  if (!CertCreateCertificateChainEngine(&config, &engine)) return nullptr;
  void* block = std::malloc(sizeof(SharedEngine) + key.size());
  if (block == nullptr) {
    CertFreeCertificateChainEngine(engine);
    return nullptr;
  }
  auto* shared = new (block) SharedEngine;
  shared->references = 1;
  shared->engine = engine;
  shared->roots = roots.release();
  std::memcpy(shared->key, key.c_str(), key.size() + 1);
  return shared;
}

// The engine for `caFiles` with a reference for the caller, or null.
SharedEngine* AcquireEngine(const std::vector<std::string>& caFiles) {
  std::string key = TrustKey(caFiles);
  std::lock_guard<std::mutex> hold(engineLock);
  if (keptEngine == nullptr || key != keptEngine->key) {
    SharedEngine* fresh = NewEngine(caFiles, key);
    if (fresh == nullptr) return nullptr;
    Release(keptEngine);
    keptEngine = fresh;
  }
  keptEngine->references.fetch_add(1);
  return keptEngine;
}

struct EngineReleaser {
  void operator()(SharedEngine* shared) const { Release(shared); }
};

}  // namespace

TlsFailure CheckServerCertificate(PCCERT_CONTEXT certificate, const char* hostName,
                                  const std::vector<std::string>& caFiles) {
  if (certificate == nullptr || hostName == nullptr) return TlsFailure::kOther;
  std::unique_ptr<SharedEngine, EngineReleaser> engine(AcquireEngine(caFiles));
  if (!engine) return TlsFailure::kOther;

  char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
  LPSTR usages[] = {serverAuth};
  CERT_CHAIN_PARA chainPara;
  std::memset(&chainPara, 0, sizeof chainPara);
  chainPara.cbSize = sizeof chainPara;
  chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
  chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT chainContext = nullptr;
  if (!CertGetCertificateChain(engine->engine, certificate, nullptr, certificate->hCertStore,
                               &chainPara, 0, nullptr, &chainContext)) {
    return TlsFailure::kOther;
  }
  ChainPtr chain(chainContext);
  TlsFailure chainFailure = FailureOfChainStatus(chain->TrustStatus.dwErrorStatus);
  if (chainFailure != TlsFailure::kNone) return chainFailure;

  std::wstring wideHost = WideText(hostName);
  if (wideHost.empty()) return TlsFailure::kWrongName;
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA sslPara;
  std::memset(&sslPara, 0, sizeof sslPara);
  sslPara.cbSize = sizeof sslPara;
  sslPara.dwAuthType = AUTHTYPE_SERVER;
  sslPara.pwszServerName = &wideHost[0];
  if (NamesAddress(certificate, hostName)) sslPara.fdwChecks = kIgnoreNameMismatch;
  CERT_CHAIN_POLICY_PARA policyPara;
  std::memset(&policyPara, 0, sizeof policyPara);
  policyPara.cbSize = sizeof policyPara;
  policyPara.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
  policyPara.pvExtraPolicyPara = &sslPara;
  CERT_CHAIN_POLICY_STATUS status;
  std::memset(&status, 0, sizeof status);
  status.cbSize = sizeof status;
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policyPara, &status)) {
    return TlsFailure::kOther;
  }
  return FailureOfPolicyError(status.dwError);
}

}  // namespace os
