// The CP932 table holds the same texts as the UTF-8 one: each UTF-8 text,
// converted by the system's converter, gives the CP932 bytes.
#include <iconv.h>

#include <string>

#include <gtest/gtest.h>

#include "setup/texts/JapaneseTexts.h"

namespace setup {
namespace {

std::string ToCp932(const std::string& utf8) {
  iconv_t converter = iconv_open("CP932", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return "(no converter)";
  std::string out(utf8.size() * 2 + 8, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* outPtr = &out[0];
  std::size_t outLeft = out.size();
  std::size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
  iconv_close(converter);
  if (result == static_cast<std::size_t>(-1)) return "(cannot convert)";
  out.resize(out.size() - outLeft);
  return out;
}

TEST(Cp932TableTest, MatchesTheUtf8Table) {
  for (int id = 1; id <= kTextCount; ++id) {
    EXPECT_EQ(ToCp932(kJapaneseTextsUtf8[id]), kJapaneseTextsCp932[id]) << "id " << id;
  }
}

}  // namespace
}  // namespace setup
