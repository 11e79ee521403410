// The user type reader: the pairs it reads, written back, read back the same.
#include "FuzzSupport.h"
#include "KeyedTableFuzz.h"
#include "setup/files/UserTypeFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!fuzz::IsText(data, size)) return 0;
  std::string path = fuzz::WriteScratchFile("userdef.lst", data, size);
  setup::KeyedTable table;
  FUZZ_CHECK(setup::ReadUserTypeFile(&table, path.c_str()) == setup::ReadStatus::kRead);

  std::string writtenPath = fuzz::ScratchFile("written.lst");
  FUZZ_CHECK(setup::WriteUserTypeFile(&table, writtenPath.c_str()));
  setup::KeyedTable again;
  FUZZ_CHECK(setup::ReadUserTypeFile(&again, writtenPath.c_str()) == setup::ReadStatus::kRead);
  FUZZ_CHECK(fuzz::SameItems(table, again));
  return 0;
}
