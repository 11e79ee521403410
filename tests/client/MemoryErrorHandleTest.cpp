// The kernel's allocation-failure handler as the process's new-handler.
#include <gtest/gtest.h>

#include <new>

#include "bazaro/MemoryErrorHandle.h"

TEST(MemoryErrorHandle, InstallsTheKernelHandlerOnceAndItFailsTheAllocation) {
  struct Sentinel {
    static void Handler() { throw std::bad_alloc(); }
  };
  std::new_handler original = std::set_new_handler(Sentinel::Handler);

  DLLSetMemoryErrorHandle();
  std::new_handler installed = std::get_new_handler();
  EXPECT_NE(installed, nullptr);
  EXPECT_NE(installed, &Sentinel::Handler);
  // The kernel handler has nothing to free: the allocation must fail.
  EXPECT_THROW(installed(), std::bad_alloc);

  DLLSetMemoryErrorHandle();
  EXPECT_EQ(std::get_new_handler(), installed);

  std::set_new_handler(original);
}
