// The registry calls on POSIX, served from the registry file.
//
// Every call reads the file afresh under one mutex, and every change writes
// the whole file to a new file in the same directory that is then renamed
// over the old one, so a reader never sees half a file.
#include "os/RegistryApi.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "RegistryDocument.h"

using os::RegistryDocument;
using os::RegistryKey;
using os::RegistryValue;

// The predefined roots name themselves; opened keys are OpenedKey objects.
struct os::RegistryKey {
  const char* rootName;  // null for opened keys
};

namespace {

struct OpenedKey : RegistryKey {
  std::string file;  // the registry file when the key was opened
  std::string path;  // the full key path, root name first
  REGSAM access = 0;
};

RegistryKey rootKeys[] = {
    {"HKEY_CLASSES_ROOT"},
    {"HKEY_CURRENT_USER"},
    {"HKEY_LOCAL_MACHINE"},
    {"HKEY_USERS"},
};

constexpr LONG kErrorNotEnoughMemory = 8L;
// The rights that change a key or its values: KEY_SET_VALUE,
// KEY_CREATE_SUB_KEY, KEY_CREATE_LINK, DELETE, WRITE_DAC, WRITE_OWNER,
// GENERIC_ALL and GENERIC_WRITE.
constexpr REGSAM kWriteRights =
    0x0002 | 0x0004 | 0x0020 | 0x10000 | 0x40000 | 0x80000 | 0x10000000 | 0x40000000;
const char kDefaultRegistryFile[] = "/etc/mosaikon/registry.reg";

std::mutex registryLock;

std::string RegistryFileName() {
  const char* name = std::getenv("MOSAIKON_REGISTRY");
  return name != nullptr && name[0] != '\0' ? name : kDefaultRegistryFile;
}

// MOSAIKON_REGISTRY_READONLY=1 shows HKEY_LOCAL_MACHINE as a standard user
// sees it: readable, with every right to change it refused. (File modes
// cannot show this where tests run as root.)
bool IsReadOnly(const std::string& path) {
  const char* flag = std::getenv("MOSAIKON_REGISTRY_READONLY");
  if (flag == nullptr || std::strcmp(flag, "1") != 0) return false;
  static const char kRoot[] = "HKEY_LOCAL_MACHINE";
  return path.compare(0, sizeof kRoot - 1, kRoot) == 0 &&
         (path.size() == sizeof kRoot - 1 || path[sizeof kRoot - 1] == '\\');
}

LONG ErrorFromErrno(int error) {
  return error == ENOENT || error == ENOTDIR ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
}

// The key below `base` named by `subKey`, as a file and a full path.
LONG ResolveKey(HKEY base, LPCSTR subKey, std::string* file, std::string* path) {
  if (base == nullptr) return ERROR_INVALID_HANDLE;
  if (base->rootName != nullptr) {
    *file = RegistryFileName();
    *path = base->rootName;
  } else {
    const OpenedKey* opened = static_cast<const OpenedKey*>(base);
    *file = opened->file;
    *path = opened->path;
  }
  std::string name = subKey != nullptr ? subKey : "";
  if (!RegistryDocument::CanHold(name)) return ERROR_INVALID_PARAMETER;
  std::size_t begin = name.find_first_not_of('\\');
  std::size_t end = name.find_last_not_of('\\');
  if (begin != std::string::npos) *path += "\\" + name.substr(begin, end - begin + 1);
  return ERROR_SUCCESS;
}

bool IsRootPath(const std::string& path) { return path.find('\\') == std::string::npos; }

LONG Load(const std::string& file, RegistryDocument* document) {
  std::FILE* in = std::fopen(file.c_str(), "rb");
  if (in == nullptr) return ErrorFromErrno(errno);
  std::string text;
  char block[4096];
  std::size_t count;
  while ((count = std::fread(block, 1, sizeof block, in)) > 0) text.append(block, count);
  bool failed = std::ferror(in) != 0;
  std::fclose(in);
  if (failed) return ERROR_ACCESS_DENIED;
  *document = text.empty() ? RegistryDocument() : RegistryDocument::Parse(text);
  return ERROR_SUCCESS;
}

bool WriteAll(int fd, const std::string& text) {
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    ssize_t written = ::write(fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

LONG Save(const std::string& file, const RegistryDocument& document) {
  // A link to the registry file stays a link: the file it points to is the
  // one replaced.
  std::string target = file;
  char resolved[PATH_MAX];
  if (::realpath(file.c_str(), resolved) != nullptr) target = resolved;

  mode_t mode = 0644;
  struct stat existing;
  if (::stat(target.c_str(), &existing) == 0) mode = existing.st_mode & 07777;

  std::vector<char> temporary(target.begin(), target.end());
  static const char kSuffix[] = ".XXXXXX";
  temporary.insert(temporary.end(), kSuffix, kSuffix + sizeof kSuffix);
  int fd = ::mkstemp(temporary.data());
  if (fd < 0) return ErrorFromErrno(errno);

  bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, document.Serialize()) && ::fsync(fd) == 0;
  int error = errno;
  if (::close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written && std::rename(temporary.data(), target.c_str()) == 0) return ERROR_SUCCESS;
  if (written) error = errno;
  ::unlink(temporary.data());
  return ErrorFromErrno(error);
}

LONG OpenKey(HKEY root, LPCSTR subKey, REGSAM access, bool create, PHKEY result,
             DWORD* disposition) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (create && subKey == nullptr) return ERROR_INVALID_PARAMETER;
  OpenedKey* key = new (std::nothrow) OpenedKey;
  if (key == nullptr) return kErrorNotEnoughMemory;
  key->rootName = nullptr;
  key->access = access;
  LONG status = ResolveKey(root, subKey, &key->file, &key->path);
  if (status != ERROR_SUCCESS) {
    delete key;
    return status;
  }
  if ((access & KEY_WOW64_32KEY) != 0) key->path = RegistryDocument::In32BitView(key->path);
  if ((access & kWriteRights) != 0 && IsReadOnly(key->path)) {
    delete key;
    return ERROR_ACCESS_DENIED;
  }

  std::lock_guard<std::mutex> hold(registryLock);
  RegistryDocument document;
  status = Load(key->file, &document);
  bool exists = status == ERROR_SUCCESS && (IsRootPath(key->path) || document.HasKey(key->path));
  if (!exists && create && (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND)) {
    document.AddKey(key->path);
    status = Save(key->file, document);
    if (status == ERROR_SUCCESS && disposition != nullptr) *disposition = REG_CREATED_NEW_KEY;
  } else if (exists) {
    if (disposition != nullptr) *disposition = REG_OPENED_EXISTING_KEY;
  } else if (status == ERROR_SUCCESS) {
    status = ERROR_FILE_NOT_FOUND;
  }
  if (status != ERROR_SUCCESS) {
    delete key;
    return status;
  }
  *result = key;
  return ERROR_SUCCESS;
}

bool Allows(HKEY key, REGSAM right) {
  if (key->rootName != nullptr) return (right & kWriteRights) == 0 || !IsReadOnly(key->rootName);
  return (static_cast<const OpenedKey*>(key)->access & right) != 0;
}

// Reads the key's file and path; the document is empty when the file is not
// there yet and `mayBeMissing`.
LONG LoadKey(HKEY key, RegistryDocument* document, std::string* file, std::string* path,
             bool mayBeMissing) {
  LONG status = ResolveKey(key, nullptr, file, path);
  if (status != ERROR_SUCCESS) return status;
  status = Load(*file, document);
  if (status == ERROR_FILE_NOT_FOUND && mayBeMissing) {
    *document = RegistryDocument();
    status = ERROR_SUCCESS;
  }
  return status;
}

// A REG_DWORD travels as a DWORD, which is wider than 32 bits on LP64
// systems, so that `DWORD value; DWORD size = sizeof value;` works alike on
// both targets. Four-byte buffers get the 32-bit value, as on Windows.
LONG CopyDword(unsigned long number, BYTE* data, DWORD* dataSize) {
  if (data == nullptr) {
    if (dataSize != nullptr) *dataSize = sizeof(DWORD);
    return ERROR_SUCCESS;
  }
  DWORD room = *dataSize;
  if (room >= sizeof(DWORD)) {
    DWORD word = number;
    std::memcpy(data, &word, sizeof word);
    *dataSize = sizeof word;
  } else if (room >= 4) {
    std::uint32_t word = static_cast<std::uint32_t>(number);
    std::memcpy(data, &word, sizeof word);
    *dataSize = sizeof word;
  } else {
    *dataSize = sizeof(DWORD);
    return ERROR_MORE_DATA;
  }
  return ERROR_SUCCESS;
}

LONG QueryValue(HKEY key, LPCSTR valueName, DWORD* reserved, DWORD* type, BYTE* data,
                DWORD* dataSize) {
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  if (!Allows(key, KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;

  RegistryValue value;
  {
    std::lock_guard<std::mutex> hold(registryLock);
    RegistryDocument document;
    std::string file, path;
    LONG status = LoadKey(key, &document, &file, &path, false);
    if (status != ERROR_SUCCESS) return status;
    if (!document.FindValue(path, valueName != nullptr ? valueName : "", &value)) {
      return ERROR_FILE_NOT_FOUND;
    }
  }

  if (type != nullptr) *type = value.type;
  if (value.type == REG_DWORD) return CopyDword(value.number, data, dataSize);
  DWORD size = static_cast<DWORD>(value.text.size() + 1);
  if (data == nullptr) {
    if (dataSize != nullptr) *dataSize = size;
    return ERROR_SUCCESS;
  }
  DWORD room = *dataSize;
  *dataSize = size;
  if (room < size) return ERROR_MORE_DATA;
  std::memcpy(data, value.text.c_str(), size);
  return ERROR_SUCCESS;
}

LONG SetValue(HKEY key, LPCSTR valueName, DWORD type, const BYTE* data, DWORD dataSize) {
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  if (!Allows(key, KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  std::string name = valueName != nullptr ? valueName : "";
  RegistryValue value;
  value.type = type;
  if (type == REG_SZ) {
    if (data == nullptr && dataSize != 0) return ERROR_INVALID_PARAMETER;
    const char* text = reinterpret_cast<const char*>(data);
    std::size_t length = 0;
    while (length < dataSize && text[length] != '\0') ++length;
    value.text.assign(text != nullptr ? text : "", length);
  } else if (type == REG_DWORD) {
    // A DWORD, or four bytes; either way the file holds 32 bits.
    if (data == nullptr) return ERROR_INVALID_PARAMETER;
    if (dataSize == sizeof(DWORD)) {
      DWORD word;
      std::memcpy(&word, data, sizeof word);
      if (word > 0xFFFFFFFFul) return ERROR_INVALID_PARAMETER;
      value.number = word;
    } else if (dataSize == 4) {
      std::uint32_t word;
      std::memcpy(&word, data, sizeof word);
      value.number = word;
    } else {
      return ERROR_INVALID_PARAMETER;
    }
  } else {
    return ERROR_INVALID_PARAMETER;
  }
  // The file holds one line per value; a line break would let a value forge
  // lines of its own.
  if (!RegistryDocument::CanHold(name) || !RegistryDocument::CanHold(value.text)) {
    return ERROR_INVALID_PARAMETER;
  }

  std::lock_guard<std::mutex> hold(registryLock);
  RegistryDocument document;
  std::string file, path;
  LONG status = LoadKey(key, &document, &file, &path, true);
  if (status != ERROR_SUCCESS) return status;
  document.SetValue(path, name, value);
  return Save(file, document);
}

LONG DeleteValue(HKEY key, LPCSTR valueName) {
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  if (!Allows(key, KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  std::lock_guard<std::mutex> hold(registryLock);
  RegistryDocument document;
  std::string file, path;
  LONG status = LoadKey(key, &document, &file, &path, false);
  if (status != ERROR_SUCCESS) return status;
  if (!document.RemoveValue(path, valueName != nullptr ? valueName : "")) {
    return ERROR_FILE_NOT_FOUND;
  }
  return Save(file, document);
}

}  // namespace

HKEY const HKEY_CLASSES_ROOT = &rootKeys[0];
HKEY const HKEY_CURRENT_USER = &rootKeys[1];
HKEY const HKEY_LOCAL_MACHINE = &rootKeys[2];
HKEY const HKEY_USERS = &rootKeys[3];

// Strings and vectors may fail to allocate; that becomes an error code here,
// since nothing is thrown across these calls.

LONG RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) {
  (void)options;
  try {
    return OpenKey(root, subKey, access, false, result, nullptr);
  } catch (...) {
    return kErrorNotEnoughMemory;
  }
}

LONG RegCreateKeyExA(HKEY root, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                     REGSAM access, void* security, PHKEY result, DWORD* disposition) {
  (void)reserved;
  (void)keyClass;
  (void)options;
  (void)security;
  try {
    return OpenKey(root, subKey, access, true, result, disposition);
  } catch (...) {
    return kErrorNotEnoughMemory;
  }
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* dataSize) {
  try {
    return QueryValue(key, valueName, reserved, type, data, dataSize);
  } catch (...) {
    return kErrorNotEnoughMemory;
  }
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD dataSize) {
  (void)reserved;
  try {
    return SetValue(key, valueName, type, data, dataSize);
  } catch (...) {
    return kErrorNotEnoughMemory;
  }
}

LONG RegDeleteValueA(HKEY key, LPCSTR valueName) {
  try {
    return DeleteValue(key, valueName);
  } catch (...) {
    return kErrorNotEnoughMemory;
  }
}

LONG RegCloseKey(HKEY key) {
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  if (key->rootName == nullptr) delete static_cast<OpenedKey*>(key);
  return ERROR_SUCCESS;
}
