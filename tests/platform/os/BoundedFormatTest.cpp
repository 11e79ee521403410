// The bounded formatter: wsprintfA's limit and conversions on both targets.
#include <cstdarg>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "os/BoundedFormat.h"

namespace {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
Format(const char* format, ...) {
  char out[os::kBoundedFormatSize];
  va_list arguments;
  va_start(arguments, format);
  int written = os::FormatBoundedV(out, format, arguments);
  va_end(arguments);
  EXPECT_EQ(static_cast<std::size_t>(written), std::strlen(out)) << format;
  return out;
}

TEST(BoundedFormat, ConvertsTheFormsInUse) {
  struct Case {
    std::string produced;
    const char* expected;
  };
  const Case cases[] = {
      {Format("%lu", 4294967295ul), "4294967295"},
      {Format("%lu", 0ul), "0"},
      {Format("%08d", 42), "00000042"},
      {Format("%08d", 123456789), "123456789"},
      {Format("%s%08d.tmp", "dir/", 7), "dir/00000007.tmp"},
      {Format("%s", ""), ""},
      {Format("[%-6s]", "ab"), "[ab    ]"},
      {Format("[%6s]", "ab"), "[    ab]"},
      {Format("%.3s", "abcdef"), "abc"},
      {Format("%d %i %ld", -5, 17, -70000l), "-5 17 -70000"},
      {Format("%u", 3000000000u), "3000000000"},
      {Format("%x %X %lx", 255u, 0xABCu, 0xdeadbeeful), "ff ABC deadbeef"},
      {Format("%c%c", 'o', 'k'), "ok"},
      {Format("100%%"), "100%"},
      {Format("id=%lu&name=%s", 12ul, "pad"), "id=12&name=pad"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.produced, c.expected);
}

TEST(BoundedFormat, CutsAt1023CharactersAndCountsWhatItWrote) {
  const std::string text(2000, 'x');
  struct Case {
    std::size_t length;
    int expected;
  };
  const Case cases[] = {{1022, 1022}, {1023, 1023}, {1024, 1023}, {2000, 1023}};
  for (const Case& c : cases) {
    // Room beyond the formatter's 1024 bytes shows any write past them.
    char out[os::kBoundedFormatSize + 64];
    std::memset(out, '#', sizeof out);
    int written = os::FormatBounded(out, "%s", text.substr(0, c.length).c_str());
    EXPECT_EQ(written, c.expected) << c.length;
    EXPECT_EQ(std::strlen(out), static_cast<std::size_t>(c.expected)) << c.length;
    EXPECT_EQ(std::string(out, static_cast<std::size_t>(c.expected)),
              text.substr(0, static_cast<std::size_t>(c.expected)));
    for (std::size_t i = os::kBoundedFormatSize; i < sizeof out; ++i) {
      ASSERT_EQ(out[i], '#') << "byte " << i << " written for length " << c.length;
    }
  }
}

TEST(BoundedFormat, CutsInTheMiddleOfAConversion) {
  char out[os::kBoundedFormatSize];
  const std::string head(1020, 'h');
  int written = os::FormatBounded(out, "%s%lu", head.c_str(), 123456ul);
  EXPECT_EQ(written, 1023);
  EXPECT_EQ(std::string(out), head + "123");
}

}  // namespace
