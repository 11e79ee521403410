#include "transport/ReceiveBuffer.h"

#include <cstring>

#include "kernel/KernelResources.h"

namespace transport {
namespace {

constexpr unsigned long kFirstCapacity = 8192;
// MwNew takes a 32-bit size.
constexpr unsigned long long kLargestCapacity = 0xFFFFFFFFull;

}  // namespace

ReceiveBuffer::ReceiveBuffer() : block_(nullptr), length_(0), capacity_(0) {}

ReceiveBuffer::~ReceiveBuffer() { MwDelete(block_); }

bool ReceiveBuffer::Reserve(unsigned long count) {
  unsigned long long needed = static_cast<unsigned long long>(length_) + count + 1;
  if (needed <= capacity_) return true;
  if (needed > kLargestCapacity) return false;
  unsigned long long capacity = capacity_ == 0 ? kFirstCapacity : capacity_;
  while (capacity < needed) capacity *= 2;
  if (capacity > kLargestCapacity) capacity = kLargestCapacity;
  char* block = static_cast<char*>(MwNew(static_cast<unsigned int>(capacity)));
  if (block == nullptr) return false;
  if (block_ != nullptr) std::memcpy(block, block_, length_);
  block[length_] = '\0';
  MwDelete(block_);
  block_ = block;
  capacity_ = static_cast<unsigned long>(capacity);
  return true;
}

char* ReceiveBuffer::Tail() { return block_ + length_; }

void ReceiveBuffer::Commit(unsigned long count) {
  length_ += count;
  block_[length_] = '\0';
}

bool ReceiveBuffer::Append(const char* data, unsigned long count) {
  if (!Reserve(count)) return false;
  std::memcpy(Tail(), data, count);
  Commit(count);
  return true;
}

void ReceiveBuffer::DropFront(unsigned long count) {
  if (count > length_) count = length_;
  if (count == 0) return;
  std::memmove(block_, block_ + count, length_ - count);
  length_ -= count;
  block_[length_] = '\0';
}

void ReceiveBuffer::DropBack(unsigned long count) {
  if (count > length_) count = length_;
  if (count == 0) return;
  length_ -= count;
  block_[length_] = '\0';
}

char* ReceiveBuffer::Release() {
  char* block = block_;
  block_ = nullptr;
  length_ = 0;
  capacity_ = 0;
  return block;
}

}  // namespace transport
