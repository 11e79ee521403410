#include "bazaro/Result.h"

#include "client/FileRemoval.h"
#include "client/KernelHeapAllocation.h"
#include "kernel/KernelObjects.h"
#include "kernel/KernelResources.h"

BAZARO_DEFINE_KERNEL_HEAP_OPERATORS(Result)

Result::Result()
    : boolValue(0), reason_(0), reasonDetail_(0), id(0), booth(nullptr), file(nullptr) {}

Result::~Result() { Clear(); }

void Result::SetBool(char value) { boolValue = value; }

void Result::SetID(unsigned long newId) { id = newId; }

void Result::SetReason(int reason, int detail) {
  reason_ = static_cast<unsigned char>(reason);
  reasonDetail_ = static_cast<unsigned char>(detail);
}

int Result::Reason() { return reason_; }

int Result::ReasonDetail() { return reasonDetail_; }

void Result::SetFile(char* newFile) {
  if (newFile == file) return;  // already held: removing it would lose it
  if (file != nullptr) {
    DeleteFileA(file);
    FreeString(&file);
  }
  file = newFile;
}

void Result::SetBooth(BoothInfo* list) {
  if (list == booth) return;
  MwDelete(booth);
  booth = list;
}

void Result::Clear() {
  MwDelete(booth);
  booth = nullptr;
  if (file != nullptr) {
    DeleteFileA(file);
    FreeString(&file);
    file = nullptr;
  }
  boolValue = 0;
  reason_ = 0;
  reasonDetail_ = 0;
  id = 0;
}

char Result::Bool() { return boolValue; }

unsigned long Result::ID() { return id; }

BoothInfo* Result::Booth() { return booth; }

char* Result::File() { return file; }

void Result::TakeOver(Result& other) {
  if (&other == this) return;
  Clear();
  boolValue = other.boolValue;
  reason_ = other.reason_;
  reasonDetail_ = other.reasonDetail_;
  id = other.id;
  booth = other.booth;
  file = other.file;
  other.boolValue = 0;
  other.reason_ = 0;
  other.reasonDetail_ = 0;
  other.id = 0;
  other.booth = nullptr;
  other.file = nullptr;
}

void Result::DeleteFileA(char* name) { client::RemoveFileFromDisk(name); }
