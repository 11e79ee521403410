// The console front end prints what changes and waits for Enter only when a
// user is there to press it.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "SetupTestSupport.h"
#include "setup/frontend/ConsoleFrontEnd.h"

namespace setup {
namespace {

class ConsoleFrontEndTest : public testing::Test {
 protected:
  std::string Printed() {
    std::fclose(output_);
    output_ = nullptr;
    return ReadText(outputPath_);
  }
  void TearDown() override {
    if (output_ != nullptr) std::fclose(output_);
  }

  ScratchDirectory scratch_;
  std::string outputPath_ = scratch_.File("output.txt");
  std::FILE* output_ = std::fopen(outputPath_.c_str(), "w");
};

TEST_F(ConsoleFrontEndTest, PrintsLabelsWhenTheyChangeAndAProgressBar) {
  ASSERT_NE(output_, nullptr);
  ConsoleFrontEnd frontEnd(output_, false);
  frontEnd.SetLabel(Label::kSource, "");
  frontEnd.SetLabel(Label::kDestination, "");
  frontEnd.SetLabel(Label::kSource, "module/nametab.clock");
  frontEnd.SetLabel(Label::kDestination, "root/nametab.lst");
  frontEnd.SetLabel(Label::kStatus, "Regist Class: A");
  frontEnd.SetProgress(50);
  frontEnd.SetLabel(Label::kSource, "module/nametab.clock");
  frontEnd.SetLabel(Label::kDestination, "root/nametab.lst");
  frontEnd.SetLabel(Label::kStatus, "Regist Class: B");
  frontEnd.SetProgress(100);
  frontEnd.EnableOk();
  EXPECT_EQ(Printed(),
            "Src:  module/nametab.clock\n"
            "Dest: root/nametab.lst\n"
            "Regist Class: A\n"
            "[##########          ]  50%\n"
            "Regist Class: B\n"
            "[####################] 100%\n");
}

TEST_F(ConsoleFrontEndTest, WaitsForEnterOnlyOnATerminal) {
  std::string inputPath = scratch_.File("input.txt");
  WriteText(inputPath, "first line\nsecond line\n");
  std::FILE* input = std::fopen(inputPath.c_str(), "r");
  ASSERT_NE(input, nullptr);

  ConsoleFrontEnd batch(output_, false);
  batch.EnableOk();
  batch.WaitForOk(input);
  EXPECT_EQ(std::ftell(input), 0L);  // nothing read

  ConsoleFrontEnd notDone(output_, true);
  notDone.WaitForOk(input);  // OK never enabled: returns at once
  EXPECT_EQ(std::ftell(input), 0L);

  ConsoleFrontEnd interactive(output_, true);
  interactive.EnableOk();
  interactive.WaitForOk(input);
  char rest[64] = "";
  ASSERT_NE(std::fgets(rest, sizeof rest, input), nullptr);
  EXPECT_STREQ(rest, "second line\n");  // exactly one line was taken
  std::fclose(input);
  EXPECT_EQ(Printed(), "[OK] Press Enter to close.\n");
}

}  // namespace
}  // namespace setup
