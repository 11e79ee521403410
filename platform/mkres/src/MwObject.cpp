#include "mkres/MwObject.h"

#include <new>

#include "mkres/MwMemory.h"

MwObject::MwObject() = default;
MwObject::MwObject(const MwObject&) = default;
MwObject& MwObject::operator=(const MwObject&) = default;
MwObject::~MwObject() = default;

void* MwObject::operator new(std::size_t size) {
  void* block = size <= 0xFFFFFFFFu ? MwNew(static_cast<unsigned int>(size)) : nullptr;
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void MwObject::operator delete(void* block) { MwDelete(block); }
