#include "padserver/PadCommands.h"

#include "padserver/ReplyWriter.h"

namespace padserver {

Status RunPadCommand(PadStore& store, const Command& command, std::string& reply,
                     std::vector<PadId>& removed) {
  reply.clear();
  removed.clear();
  Status status;
  switch (command.kind) {
    case CommandKind::kGetNewPadID: {
      PadId id = 0;
      status = store.NewPad(id);
      if (status.IsOk()) reply = std::to_string(id);
      break;
    }
    case CommandKind::kSetPadInfo:
    case CommandKind::kSetPadAttributes:
      status = store.Update(command.id, command.change);
      break;
    case CommandKind::kGetPadInfo:
    case CommandKind::kGetPadAttributes: {
      PadRecord record;
      status = store.Get(command.id, record);
      if (status.IsOk()) {
        reply = command.kind == CommandKind::kGetPadInfo ? WritePadInfo(record)
                                                         : WriteNamedValues(record, command.names);
      }
      break;
    }
    case CommandKind::kGetChildPads: {
      std::vector<PadId> children;
      status = store.Children(command.id, children);
      if (status.IsOk()) reply = WriteChildList(children);
      break;
    }
    case CommandKind::kDeletePad:
      status = store.Delete(command.id, removed);
      break;
  }
  return status;
}

}  // namespace padserver
