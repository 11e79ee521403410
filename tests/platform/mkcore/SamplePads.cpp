#include "SamplePads.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <sstream>

namespace {

std::string RealBits(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  std::ostringstream text;
  text << std::hex << std::setw(16) << std::setfill('0') << bits;
  return text.str();
}

}  // namespace

std::string Describe(MkDictionary* dictionary) {
  if (dictionary == nullptr) return "null";
  std::string text = "{";
  for (unsigned int i = 0; i < dictionary->length(); ++i) {
    MkDictionaryValue* entry = dictionary->at(i);
    if (i != 0) text += ", ";
    text += entry->get_key();
    text += ':' + std::to_string(entry->get_type()) + '=';
    void* value = entry->get_value();
    switch (entry->get_type()) {
      case kMkTypeDictionary:
        text += Describe(*static_cast<MkDictionary**>(value));
        break;
      case kMkTypeBool:
        text += std::to_string(*static_cast<char*>(value));
        break;
      case kMkTypeReal:
        text += RealBits(*static_cast<double*>(value));
        break;
      case kMkTypeString:
        text += '"' + std::string(*static_cast<char**>(value)) + '"';
        break;
      case kMkTypeInteger:
        text += std::to_string(*static_cast<int*>(value));
        break;
      case kMkTypeUnsigned:
        text += std::to_string(*static_cast<unsigned long*>(value));
        break;
      default:
        text += "?";
    }
  }
  return text + "}";
}

DictionaryPtr BuildSampleDictionary() {
  DictionaryPtr dictionary(new MkDictionary);
  dictionary->atPut(Txt("flag"), static_cast<char>(1));
  dictionary->atPut(Txt("scale"), 2.5);
  dictionary->atPut(Txt("name"), Txt("My pad"));
  dictionary->atPut(Txt("count"), -7);
  unsigned long id = 4294967295ul;
  dictionary->atPut(Txt("id"), &id, kMkTypeUnsigned);
  auto* inner = new MkDictionary;
  inner->atPut(Txt("x"), 5);
  inner->atPut(Txt("label"), Txt("inner text"));
  dictionary->atPut(Txt("inner"), inner);
  return dictionary;
}

PadPtr BuildSamplePad() {
  PadPtr pad(new MkSimplePad("SamplePad"));
  pad->get_view()->SetBounds(-40, 25, 640, 480);
  MkDictionary* attributes = pad->GetAttributes();
  attributes->atPut(Txt("simage"), static_cast<char>(1));
  attributes->atPut(Txt("plaza"), static_cast<char>(0));
  attributes->atPut(Txt("third"), 1.0 / 3.0);
  attributes->atPut(Txt("negative zero"), -0.0);
  attributes->atPut(Txt("infinite"), HUGE_VAL);
  attributes->atPut(Txt("tiny"), DBL_MIN / 4);  // subnormal
  attributes->atPut(Txt("not a number"), std::nan(""));
  attributes->atPut(Txt("empty"), Txt(""));
  attributes->atPut(Txt("awkward"), Txt("two\nlines, 12:colon \"quoted\" \xff\xfe end "));
  attributes->atPut(Txt(""), Txt("empty key"));
  attributes->atPut(Txt("min"), INT_MIN);
  attributes->atPut(Txt("max"), INT_MAX);
  unsigned long id = 4294967295ul;
  attributes->atPut(Txt("id"), &id, kMkTypeUnsigned);
  DictionaryPtr sample = BuildSampleDictionary();
  auto* deeper = new MkDictionary;
  deeper->atPut(Txt("depth"), 3);
  sample->atPut(Txt("deeper"), deeper);
  sample->atPut(Txt("void"), new MkDictionary);
  attributes->atPut(Txt("nested"), sample.release());

  auto* first = new MkSimplePad("Child");
  first->get_view()->SetBounds(0, 0, 1, 1);
  first->GetAttributes()->atPut(Txt("x"), 12);
  auto* grandchild = new MkSimplePad("");
  grandchild->GetAttributes()->atPut(Txt("label"), Txt("grandchild"));
  first->AddChild(grandchild);
  pad->AddChild(first);

  auto* second = new MkSimplePad("Child");
  second->get_view()->ClearBounds();
  pad->AddChild(second);
  return pad;
}

PadPtr BuildSmallPad() {
  PadPtr pad(new MkSimplePad("Note"));
  pad->get_view()->SetBounds(-5, 7, 120, 80);
  MkDictionary* attributes = pad->GetAttributes();
  attributes->atPut(Txt("simage"), static_cast<char>(1));
  attributes->atPut(Txt("scale"), 1.5);
  attributes->atPut(Txt("name"), Txt("My pad"));
  attributes->atPut(Txt("x"), -4);
  unsigned long id = 4294967295ul;
  attributes->atPut(Txt("id"), &id, kMkTypeUnsigned);
  auto* meta = new MkDictionary;
  meta->atPut(Txt("a"), Txt(""));
  meta->atPut(Txt("b"), 3);
  attributes->atPut(Txt("meta"), meta);
  auto* child = new MkSimplePad("Child");
  child->get_view()->ClearBounds();
  pad->AddChild(child);
  return pad;
}

const char kSmallPadFile[] =
    "MKPAD 1\n"
    "pad 4:Note\n"
    "bounds -5 7 120 80\n"
    "attributes 6\n"
    "2 6:simage 1\n"
    "3 5:scale 3ff8000000000000\n"
    "4 4:name 6:My pad\n"
    "5 1:x -4\n"
    "7 2:id 4294967295\n"
    "1 4:meta 2\n"
    "4 1:a 0:\n"
    "5 1:b 3\n"
    "children 1\n"
    "pad 5:Child\n"
    "bounds none\n"
    "attributes 0\n"
    "children 0\n"
    "end\n"
    "end\n";
