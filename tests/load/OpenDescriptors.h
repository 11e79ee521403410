// The number of descriptors the process has open, so that a test can show
// that sockets and files come back, and a way to hold many open, so that a
// test can show that high descriptor numbers are handled. Natively only; the
// Windows build counts -1 (Wine's handle counts include its own bookkeeping)
// and holds nothing (its sockets are handles with no such limit).
#pragma once

#include <string>
#include <vector>

int OpenDescriptorCount();

// Keeps `count` more descriptors open for the life of the object, first
// raising the process's soft limit on open descriptors (within the hard
// limit) so that they and a few dozen more fit; restores the limit after.
class HeldDescriptors {
 public:
  explicit HeldDescriptors(int count);
  ~HeldDescriptors();
  HeldDescriptors(const HeldDescriptors&) = delete;
  HeldDescriptors& operator=(const HeldDescriptors&) = delete;

  // Why holding them does not apply here (another target, or a hard limit
  // too low), for a test to skip with; empty where it applies.
  const std::string& NotApplicable() const { return notApplicable_; }
  // How many are held: `count` unless opening failed.
  int Count() const { return static_cast<int>(held_.size()); }

 private:
  std::string notApplicable_;
  std::vector<int> held_;
  unsigned long long softLimit_ = 0;  // the limit before, restored when raised
  bool raised_ = false;
};
