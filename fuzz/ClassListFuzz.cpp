// The class list reader: what it reads, written back in the written form,
// reads back to the same lines and fields.
#include "FuzzSupport.h"
#include "setup/files/ClassList.h"

namespace {

bool SameLines(const setup::ClassList& a, const setup::ClassList& b) {
  const setup::ClassLine* x = a.head;
  const setup::ClassLine* y = b.head;
  for (; x != nullptr && y != nullptr; x = x->next, y = y->next) {
    if (x->first != y->first || x->second != y->second || x->third != y->third) return false;
  }
  return x == nullptr && y == nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!fuzz::IsText(data, size)) return 0;
  std::string path = fuzz::WriteScratchFile("nametab.lst", data, size);
  setup::ClassListPtr list(setup::ReadClassList(path.c_str()));
  FUZZ_CHECK(list != nullptr);

  std::string writtenPath = fuzz::ScratchFile("written.lst");
  FUZZ_CHECK(setup::WriteClassList(list.get(), writtenPath.c_str()));
  setup::ClassListPtr again(setup::ReadClassList(writtenPath.c_str()));
  FUZZ_CHECK(again != nullptr && SameLines(*list, *again));
  return 0;
}
