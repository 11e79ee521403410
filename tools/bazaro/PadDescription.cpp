#include "tools/bazaro/PadDescription.h"

#include <cstdio>

#include "kernel/KernelObjects.h"
#include "kernel/KernelResources.h"

namespace bazaro {

namespace {

std::string Indent(int depth) { return std::string(static_cast<std::size_t>(depth) * 2, ' '); }

std::string Number(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// One value as the pad file holds it: texts quoted, numbers as numbers.
std::string DescribeValue(MkDictionaryValue* entry, int depth);

std::string DescribeDictionary(MkDictionary* dictionary, int depth) {
  std::string text;
  for (unsigned int i = 0; dictionary != nullptr && i < dictionary->length(); ++i) {
    MkDictionaryValue* entry = dictionary->at(i);
    text += Indent(depth) + entry->get_key() + " = " + DescribeValue(entry, depth) + "\n";
  }
  return text;
}

std::string DescribeValue(MkDictionaryValue* entry, int depth) {
  void* value = entry->get_value();
  switch (entry->get_type()) {
    case kMkTypeDictionary:
      return "{\n" + DescribeDictionary(*static_cast<MkDictionary**>(value), depth + 1) +
             Indent(depth) + "}";
    case kMkTypeBool:
      return *static_cast<char*>(value) != 0 ? "true" : "false";
    case kMkTypeReal:
      return Number("%.17g", *static_cast<double*>(value));
    case kMkTypeString:
      return "\"" + std::string(*static_cast<char**>(value)) + "\"";
    case kMkTypeInteger:
      return std::to_string(*static_cast<int*>(value));
    case kMkTypeUnsigned:
      return std::to_string(*static_cast<unsigned long*>(value));
    default:
      return "(type " + std::to_string(entry->get_type()) + ")";
  }
}

std::string Describe(MkSimplePad* pad, int depth) {
  std::string text = Indent(depth) + "pad " + pad->GetClassName();
  MkPadView* view = pad->get_view();
  if (MwRectangle* bounds = view != nullptr ? view->GetBounds() : nullptr) {
    text += " at " + std::to_string(bounds->X()) + "," + std::to_string(bounds->Y()) + " size " +
            std::to_string(bounds->Width()) + "x" + std::to_string(bounds->Height());
  }
  text += "\n" + DescribeDictionary(pad->GetAttributes(), depth + 1);
  for (unsigned int i = 0; i < pad->GetChildCount(); ++i) {
    text += Describe(pad->GetChild(i), depth + 1);
  }
  return text;
}

}  // namespace

std::string DescribePad(MkSimplePad* pad) { return pad != nullptr ? Describe(pad, 0) : ""; }

}  // namespace bazaro
