// The writers of command text, table-driven, and the bounds of their text.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "ProtocolTestSupport.h"

namespace {

struct WriterCase {
  const char* name;
  std::function<void(Dictionary&)> fill;
  const char* expected;
};

std::string CaseName(const testing::TestParamInfo<WriterCase>& info) { return info.param.name; }

class WriteAttributesTest : public testing::TestWithParam<WriterCase> {};

TEST_P(WriteAttributesTest, WritesAssignmentsByType) {
  Dictionary dict;
  GetParam().fill(dict);
  PadServer pad;
  KernelText text(pad.WriteAttributes(dict.get()));
  EXPECT_EQ(text.str(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Writers, WriteAttributesTest,
    testing::Values(
        WriterCase{"Empty", [](Dictionary&) {}, "\n"},
        WriterCase{"OnlyIdentifiers", [](Dictionary& d) { d.Id("id", 4).Id("pid", 7); }, "\n"},
        WriterCase{"TruthValues",
                   [](Dictionary& d) { d.Bool("simage", 1).Bool("plaza", 0).Bool("odd", 2); },
                   "simage=true plaza=false odd=false \n"},
        WriterCase{"RealsTruncatedTowardZero",
                   [](Dictionary& d) { d.Real("ratio", 12.9).Real("tilt", -3.7); },
                   "ratio=12 tilt=-3 \n"},
        WriterCase{"RealsOutOfRangeHeld",
                   [](Dictionary& d) { d.Real("big", 1e300).Real("small", -1e300); },
                   "big=2147483647 small=-2147483648 \n"},
        WriterCase{"StringsQuotedEmptyOnesLeftOut",
                   [](Dictionary& d) { d.Str("name", "Blue pad").Str("empty", ""); },
                   "name=\"Blue pad\" \n"},
        WriterCase{"Numbers",
                   [](Dictionary& d) {
                     d.Int("width", 120).Int("x", -5).Id("expand-to", 4023).Id("id", 9);
                   },
                   "width=120 x=-5 expand-to=4023 \n"},
        // Only what would end a piece is refused: other punctuation, bytes of
        // other code pages, and unwritten empty values pass.
        WriterCase{"OrdinaryTextAndOtherBytes",
                   [](Dictionary& d) {
                     d.Str("title", "Q&A: 50% off, = \\ 'x' \x83\x41\xE3\x81\x82")
                         .Str("\x83\x41-key.2", "v")
                         .Str("a b", "");
                   },
                   "title=\"Q&A: 50% off, = \\ 'x' \x83\x41\xE3\x81\x82\" \x83\x41-key.2=\"v\" \n"},
        WriterCase{"NestedLeftOutAndKeysCompareExactly",
                   [](Dictionary& d) { d.Nested("child").Int("ID", 5).Int("Pid", 6); },
                   "ID=5 Pid=6 \n"}),
    CaseName);

class WriteAttributeNamesTest : public testing::TestWithParam<WriterCase> {};

TEST_P(WriteAttributeNamesTest, WritesEveryKeyButTheIdentifiers) {
  Dictionary dict;
  GetParam().fill(dict);
  KernelText text(PadServer::WriteAttributeNames(dict.get()));
  EXPECT_EQ(text.str(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Writers, WriteAttributeNamesTest,
    testing::Values(WriterCase{"Empty", [](Dictionary&) {}, "\n"},
                    WriterCase{
                        "Geometry",
                        [](Dictionary& d) {
                          d.Id("id", 1).Int("x", 0).Int("y", 0).Int("width", 0).Int("height", 0);
                        },
                        "x y width height \n"},
                    WriterCase{"AnyType",
                               [](Dictionary& d) {
                                 d.Nested("n").Str("s", "").Bool("b", 0).Real("r", 1).Id("pid", 3);
                               },
                               "n s b r \n"}),
    CaseName);

class WritePadInfoTest : public testing::TestWithParam<WriterCase> {};

TEST_P(WritePadInfoTest, WritesPositionAndOwnersThenTheOtherAttributes) {
  Dictionary dict;
  GetParam().fill(dict);
  std::string before = Describe(dict.get());
  PadServer pad;
  KernelText text(pad.WritePadInfo(dict.get()));
  EXPECT_EQ(text.str(), GetParam().expected);
  EXPECT_EQ(Describe(dict.get()), before) << "the caller's dictionary changed";
}

INSTANTIATE_TEST_SUITE_P(
    Writers, WritePadInfoTest,
    testing::Values(
        WriterCase{"Example",
                   [](Dictionary& d) {
                     d.Id("pid", 3).Int("x", 10).Int("y", 20).Int("width", 100).Int("height", 50);
                   },
                   "10 20 guest guest width=100 height=50 \n"},
        WriterCase{"Defaults", [](Dictionary&) {}, "0 0 guest guest \n"},
        WriterCase{"EmptyOwnersAreGuests",
                   [](Dictionary& d) { d.Str("account", "").Str("group", ""); },
                   "0 0 guest guest \n"},
        WriterCase{"Owners", [](Dictionary& d) { d.Str("group", "staff").Str("account", "alice"); },
                   "0 0 alice staff \n"},
        WriterCase{"OwnersOfOtherCodePages",
                   [](Dictionary& d) { d.Str("account", "\x83\x41li.ce").Str("group", "st-aff"); },
                   "0 0 \x83\x41li.ce st-aff \n"},
        // Entries of another type under these keys count as absent, and do
        // not travel as assignments either.
        WriterCase{"OtherTypesCountAsAbsent",
                   [](Dictionary& d) {
                     d.Str("x", "12").Real("y", 5.5).Int("account", 4).Bool("group", 1).Int("w", 1);
                   },
                   "0 0 guest guest w=1 \n"}),
    CaseName);

// Text that would add or end pieces of the command: the writers refuse the
// whole dictionary (null, so that nothing is sent) and leave it unchanged.
struct UnsafeCase {
  const char* name;
  std::function<void(Dictionary&)> fill;
  bool names;  // the attribute name writer refuses it too (keys only)
  bool owner;  // an owner: the other writers send it quoted or not at all
};

class UnsafeTextTest : public testing::TestWithParam<UnsafeCase> {};

TEST_P(UnsafeTextTest, IsRefusedByEveryWriterThatWouldWriteIt) {
  Dictionary dict;
  dict.Int("width", 100);
  GetParam().fill(dict);
  std::string before = Describe(dict.get());
  PadServer pad;
  EXPECT_EQ(KernelText(pad.WriteAttributes(dict.get())).str() == "(null)", !GetParam().owner);
  EXPECT_EQ(KernelText(pad.WritePadInfo(dict.get())).str(), "(null)");
  EXPECT_EQ(KernelText(PadServer::WriteAttributeNames(dict.get())).str() == "(null)",
            GetParam().names);
  EXPECT_EQ(Describe(dict.get()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Writers, UnsafeTextTest,
    testing::Values(
        UnsafeCase{"QuoteInValue", [](Dictionary& d) { d.Str("name", "a\" x=\"1"); }, false, false},
        UnsafeCase{"NewlineInValue", [](Dictionary& d) { d.Str("name", "a\nDeletePad 1"); }, false,
                   false},
        UnsafeCase{"TerminatorInValue", [](Dictionary& d) { d.Str("name", "a\xFF"); }, false,
                   false},
        UnsafeCase{"BlankInKey", [](Dictionary& d) { d.Int("a x", 1); }, true, false},
        UnsafeCase{"EqualsInKey", [](Dictionary& d) { d.Int("x=5 a", 1); }, true, false},
        UnsafeCase{"CommaInKey", [](Dictionary& d) { d.Bool("a,", 1); }, true, false},
        UnsafeCase{"QuoteInKey", [](Dictionary& d) { d.Str("a\"", "v"); }, true, false},
        UnsafeCase{"TabInKey", [](Dictionary& d) { d.Id("a\tb", 1); }, true, false},
        UnsafeCase{"DeleteInKey", [](Dictionary& d) { d.Real("a\x7F", 1); }, true, false},
        UnsafeCase{"EmptyKey", [](Dictionary& d) { d.Int("", 1); }, true, false},
        UnsafeCase{"BlankInAccount", [](Dictionary& d) { d.Str("account", "a b"); }, false, true},
        UnsafeCase{"CommaInGroup", [](Dictionary& d) { d.Str("group", "staff,admin"); }, false,
                   true}),
    [](const testing::TestParamInfo<UnsafeCase>& info) { return std::string(info.param.name); });

TEST(WriterBounds, APieceIsCutAt1023Characters) {
  Dictionary dict;
  std::string long2000(2000, 'a');
  dict.Str("name", long2000.c_str());
  PadServer pad;
  KernelText text(pad.WriteAttributes(dict.get()));
  // name=" and 1017 characters of the value, without closing quote and blank.
  EXPECT_EQ(text.str(), "name=\"" + std::string(1017, 'a') + "\n");

  KernelText names(PadServer::WriteAttributeNames(dict.get()));
  EXPECT_EQ(names.str(), "name \n");
}

TEST(WriterBounds, PiecesThatNoLongerFitAreLeftOut) {
  // 70 pieces of 1007 characters each would need more than 65536 bytes; 65
  // fit, and a short piece after them still does.
  Dictionary dict;
  std::string value(1000, 'v');
  std::string expected;
  for (int i = 0; i < 70; ++i) {
    char key[8];
    std::snprintf(key, sizeof key, "k%02d", i);
    dict.Str(key, value.c_str());
    if (i < 65) expected += std::string(key) + "=\"" + value + "\" ";
  }
  dict.Int("w", 1);
  expected += "w=1 \n";
  PadServer pad;
  KernelText text(pad.WriteAttributes(dict.get()));
  EXPECT_EQ(text.str(), expected);

  KernelText info(pad.WritePadInfo(dict.get()));
  ASSERT_NE(info.str(), "(null)");
  EXPECT_LE(info.str().size(), 65535u);
  EXPECT_EQ(info.str().back(), '\n');
  EXPECT_EQ(info.str().compare(0, 16, "0 0 guest guest "), 0);
}

}  // namespace
