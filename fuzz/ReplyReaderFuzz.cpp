// The reply reader: a list read from reply text frees every block it took,
// and each record, written as command text by the attribute writer, reads
// back to the same entries (those the writer can put in its text at all).
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzSupport.h"
#include "kernel/KernelObjects.h"
#include "kernel/KernelText.h"
#include "protocol/KernelBuffer.h"
#include "transport/PadServer.h"

namespace {

// How the attribute writer treats an entry. It puts a key bare and a string
// in double quotes, without escapes, and refuses a record whose key holds a
// blank, "=", ",", a quote, a control byte or the request's end byte, or
// whose string holds a quote, a control byte or the end byte: such records
// are not compared.
enum class Writing { kWritten, kLeftOut, kUnwritable };

Writing HowWritten(MkDictionaryValue* entry) {
  std::string key = entry->get_key();
  if (key == "id" || key == "pid") return Writing::kLeftOut;
  if (key.empty() || key.size() > 200) return Writing::kUnwritable;
  for (unsigned char c : key) {
    if (c <= ' ' || c == '=' || c == ',' || c == '"' || c == 0x7F || c == 0xFF) {
      return Writing::kUnwritable;
    }
  }
  if (entry->get_type() != kMkTypeString) return Writing::kWritten;
  std::string value = *static_cast<char**>(entry->get_value());
  if (value.empty()) return Writing::kLeftOut;
  if (value.size() > 800) return Writing::kUnwritable;
  for (unsigned char c : value) {
    if (c < ' ' || c == '"' || c == 0x7F || c == 0xFF) return Writing::kUnwritable;
  }
  return Writing::kWritten;
}

bool SameValue(MkDictionaryValue* a, MkDictionaryValue* b) {
  if (a->get_type() != b->get_type()) return false;
  void* x = a->get_value();
  void* y = b->get_value();
  switch (a->get_type()) {
    case kMkTypeBool:
      return *static_cast<char*>(x) == *static_cast<char*>(y);
    case kMkTypeReal:
      return *static_cast<double*>(x) == *static_cast<double*>(y);
    case kMkTypeInteger:
      return *static_cast<int*>(x) == *static_cast<int*>(y);
    case kMkTypeUnsigned:
      return *static_cast<unsigned long*>(x) == *static_cast<unsigned long*>(y);
    case kMkTypeString:
      return std::strcmp(*static_cast<char**>(x), *static_cast<char**>(y)) == 0;
    default:
      return false;
  }
}

void CheckWrittenRecordReadsBack(PadServer& pad, MkDictionary* record) {
  for (unsigned int index = 0; index < record->length(); ++index) {
    if (HowWritten(record->at(index)) == Writing::kUnwritable) return;
  }
  protocol::KernelBuffer command(pad.WriteAttributes(record));
  FUZZ_CHECK(command != nullptr);
  char* cursor = command.get();
  std::unique_ptr<MkDictionary> again(pad.ParseRecord(cursor));
  for (unsigned int index = 0; index < record->length(); ++index) {
    MkDictionaryValue* entry = record->at(index);
    if (HowWritten(entry) != Writing::kWritten) continue;
    MkDictionaryValue* read = again->at(kernel::Text(entry->get_key()));
    FUZZ_CHECK(read != nullptr && SameValue(entry, read));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::LiveBlockScope heap;
  PadServer pad;
  std::string text = fuzz::TextOf(data, size);
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  std::unique_ptr<MkDictionary> list(pad.ParseList(buffer.data()));
  FUZZ_CHECK(list != nullptr);
  for (unsigned int index = 0; index < list->length(); ++index) {
    MkDictionaryValue* entry = list->at(index);
    FUZZ_CHECK(entry->get_type() == kMkTypeDictionary);
    CheckWrittenRecordReadsBack(pad, *static_cast<MkDictionary**>(entry->get_value()));
  }
  return 0;
}
