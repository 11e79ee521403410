// The main of every test program: GoogleTest plus the kernel heap check.
#include <gtest/gtest.h>

#include "LiveBlockCheck.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new LiveBlockCheck);
  int result = RUN_ALL_TESTS();
  if (LiveBlockCheck::AnyLeak()) {
    std::printf("Some tests left kernel heap blocks behind.\n");
    return 1;
  }
  return result;
}
