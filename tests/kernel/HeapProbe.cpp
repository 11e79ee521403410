#include "HeapProbe.h"

#include <new>
#include <string>

int* HeapProbeNewInt(int value) { return new int(value); }

void HeapProbeDeleteInt(int* block) { delete block; }

std::size_t HeapProbeGrowString(std::size_t length) {
  std::string text;
  for (std::size_t i = 0; i < length; ++i) text.push_back(static_cast<char>('a' + i % 26));
  return text.size();
}

bool HeapProbeTryAllocate(std::size_t size) {
  char* block = new (std::nothrow) char[size];
  bool allocated = block != nullptr;
  delete[] block;
  return allocated;
}
