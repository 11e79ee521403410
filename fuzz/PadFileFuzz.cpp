// The pad file reader: a pad that loads saves back to the very bytes it was
// read from (the format has one spelling for every pad), loads again to the
// same content, and every block of the kernel heap is given back.
#include <memory>

#include "FuzzSupport.h"
#include "ScratchDirectory.h"
#include "mkcore/MkSimplePad.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::LiveBlockScope heap;
  std::string path = fuzz::WriteScratchFile("input.pad", data, size);
  std::unique_ptr<MkSimplePad> pad(load(&path[0], 1));
  if (pad == nullptr) return 0;

  std::string savedPath = fuzz::ScratchFile("saved.pad");
  FUZZ_CHECK(pad->save(&savedPath[0], 0, MK_SAVE_NORMAL) != 0);
  std::string saved = ReadWholeFile(savedPath);
  FUZZ_CHECK(saved == std::string(reinterpret_cast<const char*>(data), size));
  std::unique_ptr<MkSimplePad> again(load(&savedPath[0], 1));
  FUZZ_CHECK(again != nullptr && again->SameContent(pad.get()));
  return 0;
}
