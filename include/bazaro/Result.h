// The outcome of one task: a truth value, a pad identifier, a pad list and a
// local file.
//
// A Result owns its list (kernel heap, freed with MwDelete) and its file: the
// file is removed from the disk, not only forgotten, when the result lets it
// go (Clear, SetFile, destruction). Readers never take ownership: a caller
// that wants to keep a list copies it with CopyBooth, one that wants to keep a
// file copies the file. A Result cannot be copied member-wise.
#pragma once

#include <cstddef>

#include "bazaro/BazaroCommExport.h"
#include "bazaro/BoothInfo.h"

class BAZAROCOMM_API Result {
 public:
  Result();
  virtual ~Result();
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;

  // From and to the kernel heap, whichever module creates or deletes; a
  // failed `new` yields null.
  static void* operator new(std::size_t size) noexcept;
  static void* operator new[](std::size_t size) noexcept;
  static void operator delete(void* block) noexcept;
  static void operator delete[](void* block) noexcept;

  void SetBool(char value);
  void SetID(unsigned long id);
  // Removes the held file from the disk and frees its name, then takes over
  // `file` (a platform string naming a file on the disk, or null).
  void SetFile(char* file);
  // Frees the held list, then takes over `list` (kernel heap, or null).
  void SetBooth(BoothInfo* list);
  // Frees the list, removes the file, and sets every field to 0 or null.
  void Clear();

  // The fields; ownership stays with the result.
  char Bool();
  unsigned long ID();
  BoothInfo* Booth();
  char* File();
  // Why the task failed, a BazaroReason, and for a TLS failure the engine's
  // finer kind (0 when none).
  int Reason();
  int ReasonDetail();
  void SetReason(int reason, int detail);

 private:
  friend class BazaroComm;
  // Clears this result and takes over everything `other` holds, leaving
  // `other` cleared without removing its file.
  void TakeOver(Result& other);
  // Removes the named file from the disk; null does nothing.
  void DeleteFileA(char* file);

  char boolValue;
  // These two sit in what was padding behind `boolValue`, so the object's
  // size and the other fields' places stay as they were.
  unsigned char reason_;
  unsigned char reasonDetail_;
  unsigned long id;
  BoothInfo* booth;
  char* file;
};
