// A response being assembled: one contiguous kernel-heap block (MwNew) that
// always ends in a NUL behind the bytes received so far.
//
// The block grows geometrically, so assembling n bytes in small pieces costs
// time in proportion to n. Release hands the block to the caller, who frees
// it with MwDelete; a buffer not released frees its block itself.
#pragma once

namespace transport {

class ReceiveBuffer {
 public:
  ReceiveBuffer();
  ~ReceiveBuffer();
  ReceiveBuffer(const ReceiveBuffer&) = delete;
  ReceiveBuffer& operator=(const ReceiveBuffer&) = delete;

  // Makes room for `count` more bytes and the NUL. False when memory runs
  // out (or the size would not fit the heap's 32-bit sizes); nothing changes.
  bool Reserve(unsigned long count);
  // Where the next bytes go; at least the reserved room is free there.
  char* Tail();
  // Takes `count` bytes written at Tail() (no more than were reserved).
  void Commit(unsigned long count);
  // Reserve, copy and commit in one step.
  bool Append(const char* data, unsigned long count);
  // Drops the first `count` bytes, moving the rest to the front of the block.
  void DropFront(unsigned long count);
  // Drops the last `count` bytes; the block keeps its room for new ones.
  void DropBack(unsigned long count);

  // The bytes so far, NUL-terminated; null before anything was reserved.
  char* Data() { return block_; }
  unsigned long Length() const { return length_; }

  // Hands the block over (null when there is none) and starts empty again.
  char* Release();

 private:
  char* block_;
  unsigned long length_;
  unsigned long capacity_;  // bytes of the block, the NUL's included
};

}  // namespace transport
