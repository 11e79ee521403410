// Symbol visibility for the shared libraries of the project.
//
// Each shared library defines its own API macro from these two: the export
// form while the library itself is compiled, the import form for its users.
#pragma once

#if defined(_WIN32)
#define OS_SYMBOL_EXPORT __declspec(dllexport)
#define OS_SYMBOL_IMPORT __declspec(dllimport)
#else
#define OS_SYMBOL_EXPORT __attribute__((visibility("default")))
#define OS_SYMBOL_IMPORT __attribute__((visibility("default")))
#endif
