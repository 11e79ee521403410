// The message file reader: its messages, keyless lines and the unread rest,
// written back, read back the same.
#include "FuzzSupport.h"
#include "KeyedTableFuzz.h"
#include "setup/files/MessageFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!fuzz::IsText(data, size)) return 0;
  std::string path = fuzz::WriteScratchFile("english.msg", data, size);
  setup::KeyedTable table;
  std::string unread;
  FUZZ_CHECK(setup::ReadMessageFile(&table, path.c_str(), &unread) == setup::ReadStatus::kRead);

  std::string writtenPath = fuzz::ScratchFile("written.msg");
  FUZZ_CHECK(setup::WriteMessageFile(&table, writtenPath.c_str(), unread));
  setup::KeyedTable again;
  std::string unreadAgain;
  FUZZ_CHECK(setup::ReadMessageFile(&again, writtenPath.c_str(), &unreadAgain) ==
             setup::ReadStatus::kRead);
  // A value read from the file's last line, or put over an earlier one, may
  // lack its line end; it is written with one.
  for (setup::KeyedItem* item = table.first; item != nullptr; item = item->next) {
    if (item->value.empty() || item->value.back() != '\n') item->value += '\n';
  }
  FUZZ_CHECK(fuzz::SameItems(table, again));
  // The rest gains a line end when it lacked one, nothing else.
  FUZZ_CHECK(unreadAgain == unread || unreadAgain == unread + "\n");
  return 0;
}
