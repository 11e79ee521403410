// Platform strings: kernel-heap copies that cross library boundaries.
#include <gtest/gtest.h>

#include <cstring>

#include "SamplePads.h"
#include "mkcore/MkString.h"
#include "mkres/MwMemory.h"

TEST(PlatformString, NewStringMakesAnIndependentKernelHeapCopy) {
  char source[] = "pad text";
  long before = MwLiveBlockCount();
  char* copy = NewString(source);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, source);
  EXPECT_EQ(MwLiveBlockCount(), before + 1);
  std::memset(source, 'X', sizeof source - 1);
  EXPECT_STREQ(copy, "pad text");
  MwDelete(copy);  // another library frees it with the heap's own call
  EXPECT_EQ(MwLiveBlockCount(), before);

  char* empty = NewString(Txt(""));
  ASSERT_NE(empty, nullptr);
  EXPECT_STREQ(empty, "");
  FreeString(&empty);
  EXPECT_EQ(NewString(nullptr), nullptr);
}

TEST(PlatformString, SetNewStringReplacesTheFieldsText) {
  char* field = NewString(Txt("old"));
  SetNewString(&field, Txt("new"));
  EXPECT_STREQ(field, "new");

  // The field's own text as the source: copied before the old one is freed.
  SetNewString(&field, field);
  EXPECT_STREQ(field, "new");

  SetNewString(&field, nullptr);
  EXPECT_EQ(field, nullptr);
  SetNewString(&field, Txt("again"));
  EXPECT_STREQ(field, "again");
  FreeString(&field);

  SetNewString(nullptr, Txt("ignored"));  // nothing to store into
}

TEST(PlatformString, FreeStringLeavesTheFieldAsItWas) {
  long before = MwLiveBlockCount();
  char* field = NewString(Txt("text"));
  char* const address = field;
  FreeString(&field);
  EXPECT_EQ(field, address);  // the caller clears it when it goes on using it
  EXPECT_EQ(MwLiveBlockCount(), before);

  char* none = nullptr;
  FreeString(&none);
  FreeString(nullptr);
  EXPECT_EQ(none, nullptr);
}

TEST(PlatformString, MemoryErrorHandlerHasNothingToGiveBack) {
  for (unsigned int size : {0u, 1u, 4096u, 0xFFFFFFFFu}) {
    EXPECT_EQ(MKMemoryErrorHandle_(size), 0) << size;
  }
}
