// The progress of one transfer, written by the worker that moves it and read
// by its client on another thread: the body bytes moved so far and their
// total (0 until known). `running` is set while a transfer counts.
#pragma once

#include <atomic>

namespace transport {

struct TransferProgress {
  std::atomic<bool> running{false};
  std::atomic<unsigned long long> moved{0};
  std::atomic<unsigned long long> total{0};
};

}  // namespace transport
