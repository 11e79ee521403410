// The address of a pad server: host name, port, path, and whether requests
// travel inside TLS.
//
// An address is given as one text, "host:port/path", for example
// "pads.example:8080/bazaro", or with a scheme, "https://host[:port]/path"
// (TLS, port 443 when left out) or "http://host[:port]/path" (plain, port
// 80 when left out). Without a scheme the port has no default; it is read as C reads
// an unsigned number in automatic base (0x50 is 80, 010 is 8, digits followed
// by letters keep the digits) and keeps its low 16 bits. The path begins with
// "/" and ends at the first white space; the server object puts it in front
// of the names of its programs.
//
// A HostInfo owns its two texts (platform strings). It cannot be copied
// member-wise; Copy gives an independent copy.
#pragma once

#include <cstddef>

#include "bazaro/BazaroCommExport.h"

class BAZAROCOMM_API HostInfo {
 public:
  HostInfo();
  virtual ~HostInfo();
  HostInfo(const HostInfo&) = delete;
  HostInfo& operator=(const HostInfo&) = delete;

  // From and to the kernel heap, whichever module creates or deletes; a
  // failed `new` yields null.
  static void* operator new(std::size_t size) noexcept;
  static void* operator new[](std::size_t size) noexcept;
  static void operator delete(void* block) noexcept;
  static void operator delete[](void* block) noexcept;

  // The fields; the texts stay owned by this object and may be null.
  char* Host();
  unsigned short Port();
  char* Path();
  // True when the address was given with "https://".
  bool Secure();

  // Replaces the address with copies of `host` and `path` (either may be
  // null) and `port`, a plain one.
  void SetInfo(char* host, unsigned short port, char* path);

  // Splits "host:port/path" and stores the parts; returns 1. A part the text
  // does not have is stored as null (host, path) or 0 (port): "name" gives
  // the host alone, "name:80" host and port, and a text beginning with ":"
  // gives nothing. Returns 0 and keeps the previous address for a null text
  // and for a text whose host, port or path part is longer than 255
  // characters. With a scheme the host is the run up to ":", "/" or the end
  // and may not be empty; a refused scheme address also keeps the previous
  // address.
  char SetInfo(const char* address);

  // A new HostInfo with copies of the three fields, owned by the caller (delete
  // it); null when memory is exhausted.
  HostInfo* Copy();

 private:
  char* host;
  unsigned short port;
  // Sits in what was padding behind `port`, so the object's size and the
  // other fields' places stay as they were.
  unsigned char secure_;
  char* path;
};
