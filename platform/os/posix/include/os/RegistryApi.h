// The registry calls of Win32, served on POSIX from a registry file.
//
// The file is in the .reg export format:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Veltrane\Mosaikon\4.1\INI\Mosaikon]
//   "MKUSRDIR"="/home/user/mosaikon"
//   @="the key's default value"
//
// String values are quoted with \\ and \" as escapes; dword:XXXXXXXX values
// are read as REG_DWORD. A REG_DWORD is passed as a DWORD (sizeof(DWORD)
// bytes, wider than on Windows here) or as four bytes; it holds 32 bits.
// The file's name is the environment variable MOSAIKON_REGISTRY, or
// /etc/mosaikon/registry.reg when that is not set; every call reads it
// afresh (an opened key keeps the name it was opened with). Key and value names
// compare without regard to case. Writes rewrite the whole file through a new
// file renamed over the old one; lines the reader does not understand are
// kept as they are. Only the calls and constants below exist.
//
// With the environment variable MOSAIKON_REGISTRY_READONLY set to 1, the file
// shows HKEY_LOCAL_MACHINE as a standard user sees it: opening or creating a
// key there with any right to change it (KEY_SET_VALUE, KEY_CREATE_SUB_KEY,
// as in KEY_WRITE and KEY_ALL_ACCESS) is ERROR_ACCESS_DENIED, and so is
// changing a value through the root itself.
#pragma once

typedef unsigned long DWORD;
typedef long LONG;
typedef unsigned char BYTE;
typedef DWORD REGSAM;
typedef const char* LPCSTR;
typedef char* LPSTR;

namespace os {
struct RegistryKey;
}
typedef os::RegistryKey* HKEY;
typedef HKEY* PHKEY;

// The predefined roots.
extern HKEY const HKEY_CLASSES_ROOT;
extern HKEY const HKEY_CURRENT_USER;
extern HKEY const HKEY_LOCAL_MACHINE;
extern HKEY const HKEY_USERS;

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MORE_DATA 234L

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F
// Opens the key in the registry's 32-bit view, as a 64-bit program on Windows
// does: below HKEY_LOCAL_MACHINE\SOFTWARE that view is the subtree
// HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node, which is how an export of a 64-bit
// Windows registry shows it; the App Paths key is shared by both views.
#define KEY_WOW64_32KEY 0x0200

#define REG_NONE 0
#define REG_SZ 1
#define REG_DWORD 4

#define REG_OPTION_NON_VOLATILE 0
#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2

// Opens an existing key below `root`. ERROR_FILE_NOT_FOUND when the file or
// the key does not exist.
LONG RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);

// Opens a key, creating it (and the registry file) when it does not exist.
LONG RegCreateKeyExA(HKEY root, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                     REGSAM access, void* security, PHKEY result, DWORD* disposition);

// Reads a value; a null or empty name reads the default value. With `data`
// null only the type and the size are reported. When the buffer is too small,
// ERROR_MORE_DATA and the size needed. String sizes count the NUL.
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* dataSize);

// Writes a REG_SZ (data and its NUL) or REG_DWORD value and saves the file.
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD dataSize);

// Removes a value and saves the file.
LONG RegDeleteValueA(HKEY key, LPCSTR valueName);

LONG RegCloseKey(HKEY key);
