#include "tools/bazaro/Commands.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include "tools/bazaro/ClientSession.h"
#include "tools/bazaro/Exit.h"
#include "tools/bazaro/Interruption.h"
#include "tools/bazaro/PadDescription.h"
#include "tools/bazaro/PasswordPrompt.h"
#include "tools/bazaro/ReasonHint.h"

namespace bazaro {

namespace {

struct Context {
  const Arguments& arguments;
  const std::string& Operand(std::size_t index) const { return arguments.operands[index]; }
};

using Handler = std::function<Failure(const Context&)>;

struct Command {
  const char* name;
  const char* operands;
  const char* summary;
  std::size_t operandCount;
  Handler handler;
};

const Failure kSuccess{kDone, ""};

char* Writable(const std::string& text) { return const_cast<char*>(text.c_str()); }

bool ReadFile(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();
  return !out.fail();
}

Failure Usage(const std::string& message) { return {kUsage, message}; }

Failure BadIdentifier(const std::string& text) { return Usage("not a pad identifier: " + text); }

// An identifier of an existing pad: 0 names none.
bool ParsePad(const std::string& text, unsigned long& id) {
  return ParseIdentifier(text, id) && id != 0;
}

std::unique_ptr<MkSimplePad> LoadPad(const std::string& path) {
  return std::unique_ptr<MkSimplePad>(load(Writable(path), 1));
}

Failure Interruption(const std::string& what) { return {kInterrupted, what + ": interrupted"}; }

// Why a request that was taken did not succeed, as the client tells it.
struct Refusal {
  int reason = kReasonNone;
  std::string text;
  int status = 0;  // the HTTP status that refused it, or 0
};

// What a request that was taken but did not succeed reports: the reason
// the client names, when it can name one, and what to try.
Failure ServerFailure(const Context& context, const std::string& what, const Refusal& refusal) {
  std::string reason =
      refusal.text.empty() ? "it could not be reached, or it refused the request" : refusal.text;
  if (refusal.reason == kReasonRefused && refusal.status != 0) {
    reason += ", HTTP " + std::to_string(refusal.status);
  }
  return {kServerFailed,
          what + " failed at the pad server " + context.arguments.server + " (" + reason + ")",
          ReasonHint(refusal.reason)};
}

bool Readable(const std::string& path) { return std::ifstream(path, std::ios::binary).is_open(); }

// Runs one request; `read` takes the outcome inside the report and says
// whether the request succeeded.
Failure Request(const Context& context, const std::string& what,
                const std::function<char(BazaroComm&)>& request,
                const std::function<bool(BazaroComm&)>& read, Failure* localFailure = nullptr,
                const unsigned long long* bodySize = nullptr) {
  if (!context.arguments.caFile.empty() &&
      BazaroComm::SetTrustFile(context.arguments.caFile.c_str()) != 1) {
    return {kLocalFile, "cannot read the certificate file " + context.arguments.caFile};
  }
  const Arguments& arguments = context.arguments;
  if (!arguments.netrcFile.empty()) {
    if (!Readable(arguments.netrcFile)) {
      return {kLocalFile, "cannot read the netrc file " + arguments.netrcFile};
    }
    BazaroComm::SetNetrcFile(arguments.netrcFile.c_str());
  }
  ClientSession session(arguments.server);
  if (!arguments.user.empty() && session.SetCredentials(arguments.user, arguments.password) != 1) {
    return Usage("--user: a name with a control character, or a password with one, cannot be sent");
  }
  bool succeeded = false;
  Refusal refusal;
  ClientSession::Outcome outcome = session.Run(
      request,
      [&](BazaroComm& comm) {
        succeeded = read(comm);
        if (!succeeded) {
          refusal.reason = comm.QueryResultReason();
          refusal.text = comm.QueryResultReasonText();
          refusal.status = comm.QueryResultStatus();
        }
      },
      bodySize);
  if (outcome == ClientSession::kInterrupted) return Interruption(what);
  if (localFailure != nullptr && localFailure->status != kDone) return *localFailure;
  switch (outcome) {
    case ClientSession::kRefused:
      return Usage(what +
                   ": the client refused the request (check the identifier and the address " +
                   context.arguments.server + ")");
    case ClientSession::kNoReport:
      return {kServerFailed, what + ": no answer from the pad server " + context.arguments.server};
    case ClientSession::kReported:
    case ClientSession::kInterrupted:
      break;
  }
  return succeeded ? kSuccess : ServerFailure(context, what, refusal);
}

// A pad file to store, and where: --at, else the pad's own position.
struct PadToStore {
  std::unique_ptr<MkSimplePad> pad;
  int x = 0;
  int y = 0;
};

bool LoadPadToStore(const Context& context, const std::string& file, PadToStore& store) {
  store.pad = LoadPad(file);
  if (!store.pad) return false;
  MwRectangle* bounds = store.pad->get_view()->GetBounds();
  store.x = context.arguments.hasAt ? context.arguments.atX : bounds->X();
  store.y = context.arguments.hasAt ? context.arguments.atY : bounds->Y();
  return true;
}

Failure UnreadablePad(const std::string& file) {
  return {kLocalFile, "cannot read the pad file " + file};
}

// A request whose outcome is a pad identifier, printed on success.
Failure RequestIdentifier(const Context& context, const std::string& what,
                          const std::function<char(BazaroComm&)>& request) {
  unsigned long id = 0;
  Failure failure = Request(context, what, request, [&](BazaroComm& comm) {
    id = comm.QueryResultID();
    return id != 0;
  });
  if (failure.status == kDone) std::printf("%lu\n", id);
  return failure;
}

// A request whose outcome is a truth value.
Failure RequestDone(const Context& context, const std::string& what,
                    const std::function<char(BazaroComm&)>& request) {
  return Request(context, what, request,
                 [](BazaroComm& comm) { return comm.QueryResultBool() == 1; });
}

// A request that stores a pad file under an identifier: register and update.
Failure StorePad(const Context& context, bool update) {
  unsigned long id = 0;
  bool valid = update ? ParsePad(context.Operand(0), id) : ParseIdentifier(context.Operand(0), id);
  if (!valid) return BadIdentifier(context.Operand(0));
  PadToStore store;
  if (!LoadPadToStore(context, context.Operand(1), store)) return UnreadablePad(context.Operand(1));
  std::string what =
      std::string(update ? "update" : "registration") + " of pad " + context.Operand(0);
  return RequestDone(context, what, [&](BazaroComm& comm) {
    return update ? comm.RequestUpdate(id, store.pad.get(), store.x, store.y)
                  : comm.RequestRegist(id, store.pad.get(), store.x, store.y);
  });
}

// A request that fetches a file: the fetched file is copied to `target`
// inside the report, while it exists. A copy that failed or was
// interrupted is removed rather than left half written.
Failure Fetch(const Context& context, const std::string& what, const std::string& target,
              const std::function<char(BazaroComm&)>& request) {
  Failure local = kSuccess;
  bool written = false;
  unsigned long long size = 0;
  Failure failure = Request(
      context, what, request,
      [&](BazaroComm& comm) {
        char* file = comm.QueryResultFile();
        if (file == nullptr) return false;
        std::string content;
        if (!ReadFile(file, content)) {
          local = {kLocalFile, "cannot read the fetched file " + std::string(file)};
          return true;
        }
        size = content.size();
        if (!WriteFile(target, content)) {
          std::remove(target.c_str());
          local = {kLocalFile, "cannot write " + target};
        } else {
          written = true;
        }
        return true;
      },
      &local, &size);
  if (failure.status == kInterrupted && written) std::remove(target.c_str());
  return failure;
}

Failure NewId(const Context& context) {
  return RequestIdentifier(context, "new pad identifier",
                           [](BazaroComm& comm) { return comm.RequestNewID(); });
}

Failure Upload(const Context& context) {
  unsigned long parent = 0;
  if (!ParseIdentifier(context.Operand(0), parent)) return BadIdentifier(context.Operand(0));
  PadToStore store;
  if (!LoadPadToStore(context, context.Operand(1), store)) return UnreadablePad(context.Operand(1));
  return RequestIdentifier(context, "upload of " + context.Operand(1), [&](BazaroComm& comm) {
    return comm.RequestUpload(parent, store.pad.get(), store.x, store.y);
  });
}

Failure Download(const Context& context) {
  unsigned long id = 0;
  if (!ParsePad(context.Operand(0), id)) return BadIdentifier(context.Operand(0));
  return Fetch(context, "download of pad " + context.Operand(0), context.Operand(1),
               [&](BazaroComm& comm) { return comm.RequestDownload(id); });
}

Failure Move(const Context& context) {
  unsigned long id = 0;
  int x = 0, y = 0;
  if (!ParsePad(context.Operand(0), id)) return BadIdentifier(context.Operand(0));
  if (!ParseInteger(context.Operand(1), x) || !ParseInteger(context.Operand(2), y)) {
    return Usage("not a position: " + context.Operand(1) + " " + context.Operand(2));
  }
  return RequestDone(context, "move of pad " + context.Operand(0),
                     [&](BazaroComm& comm) { return comm.RequestMove(id, x, y); });
}

Failure Delete(const Context& context) {
  unsigned long id = 0;
  if (!ParsePad(context.Operand(0), id)) return BadIdentifier(context.Operand(0));
  return RequestDone(context, "deletion of pad " + context.Operand(0),
                     [&](BazaroComm& comm) { return comm.RequestDelete(id); });
}

Failure List(const Context& context) {
  unsigned long parent = 0;
  if (!ParsePad(context.Operand(0), parent)) return BadIdentifier(context.Operand(0));
  std::string table;
  Failure failure = Request(
      context, "list of the pads below " + context.Operand(0),
      [&](BazaroComm& comm) { return comm.RequestGetList(parent, 0, 0, 0, 0); },
      [&](BazaroComm& comm) {
        BoothInfo* booth = comm.QueryResultBooth();
        if (booth == nullptr) return false;
        char line[160];
        if (!context.arguments.json) {
          std::snprintf(line, sizeof line, "%10s %8s %8s %8s %8s\n", "id", "x", "y", "width",
                        "height");
          table += line;
        }
        for (unsigned int i = 0; booth[i].id != 0; ++i) {
          const BoothInfo& pad = booth[i];
          const char* format = context.arguments.json
                                   ? "%s{\"id\": %lu, \"x\": %ld, \"y\": %ld, \"width\": %ld, "
                                     "\"height\": %ld}"
                                   : "%s%10lu %8ld %8ld %8ld %8ld\n";
          std::snprintf(line, sizeof line, format,
                        context.arguments.json ? (i == 0 ? "\n  " : ",\n  ") : "",
                        static_cast<unsigned long>(pad.id), static_cast<long>(pad.x),
                        static_cast<long>(pad.y), static_cast<long>(pad.width),
                        static_cast<long>(pad.height));
          table += line;
        }
        if (context.arguments.json) table = "[" + table + (booth[0].id != 0 ? "\n]\n" : "]\n");
        return true;
      });
  if (failure.status == kDone) std::fputs(table.c_str(), stdout);
  return failure;
}

Failure Put(const Context& context) {
  const std::string& local = context.Operand(0);
  std::string probe;
  if (!ReadFile(local, probe)) return {kLocalFile, "cannot read " + local};
  unsigned long long size = probe.size();
  return Request(
      context, "sending " + local + " as " + context.Operand(1),
      [&](BazaroComm& comm) {
        return comm.RequestPutFile(Writable(local), Writable(context.Operand(1)));
      },
      [](BazaroComm& comm) { return comm.QueryResultBool() == 1; }, nullptr, &size);
}

Failure Get(const Context& context) {
  return Fetch(context, "fetching " + context.Operand(0), context.Operand(1),
               [&](BazaroComm& comm) { return comm.RequestGetFile(Writable(context.Operand(0))); });
}

Failure Show(const Context& context) {
  std::unique_ptr<MkSimplePad> pad = LoadPad(context.Operand(0));
  if (!pad) return {kLocalFile, "cannot read the pad file " + context.Operand(0)};
  std::fputs(DescribePad(pad.get()).c_str(), stdout);
  return kSuccess;
}

const Command kCommands[] = {
    {"new-id", "", "reserve a new pad identifier and print it", 0, NewId},
    {"upload", "PARENT PADFILE [--at X,Y]",
     "store PADFILE as a new pad below PARENT (0: a top pad) and print its identifier", 2, Upload},
    {"register", "ID PADFILE [--at X,Y]", "store PADFILE under an identifier from new-id", 2,
     [](const Context& c) { return StorePad(c, false); }},
    {"download", "ID OUTFILE", "fetch pad ID into the pad file OUTFILE", 2, Download},
    {"update", "ID PADFILE [--at X,Y]", "replace pad ID with PADFILE", 2,
     [](const Context& c) { return StorePad(c, true); }},
    {"move", "ID X Y", "move pad ID to X,Y", 3, Move},
    {"delete", "ID", "delete pad ID and the pads below it", 1, Delete},
    {"list", "PARENT [--json]", "list the pads below PARENT: id, x, y, width, height", 1, List},
    {"put", "LOCALFILE REMOTENAME", "send a file to the server's file directory", 2, Put},
    {"get", "REMOTENAME OUTFILE", "fetch a file from the server's file directory", 2, Get},
    {"show", "PADFILE", "print a pad file's class, bounds, attributes and children", 1, Show},
};

const Command* FindCommand(const std::string& name) {
  for (const Command& command : kCommands) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

const char kServerOptions[] =
    "[--server ADDRESS] [--cacert FILE]\n"
    "              [--user NAME[:PASSWORD]] [--netrc-file FILE]";

void PrintCommandUsage(const Command& command) {
  std::printf("usage: bazaro %s%s%s %s\n\n%s.\n", command.name,
              *command.operands != '\0' ? " " : "", command.operands, kServerOptions,
              command.summary);
}

// The password of --user NAME without one, asked before the first request.
Failure CompleteCredentials(Arguments& arguments) {
  if (arguments.user.empty() || arguments.hasPassword) return kSuccess;
  if (AskPassword(arguments.user, arguments.password)) {
    arguments.hasPassword = true;
    return kSuccess;
  }
  if (Interrupted()) return Interruption("password for " + arguments.user);
  return Usage("--user " + arguments.user +
               ": no password (standard input is not a terminal to ask on; give "
               "--user NAME:PASSWORD or a --netrc-file entry)");
}

}  // namespace

void PrintUsage() {
  std::printf(
      "usage: bazaro COMMAND [OPERANDS] %s\n\n"
      "Shares pads with a pad server through the BazaroComm library.\n\n"
      "Commands:\n",
      kServerOptions);
  for (const Command& command : kCommands) {
    std::printf("  %-8s %-26s %s\n", command.name, command.operands, command.summary);
  }
  std::printf(
      "\nThe server address (HOST:PORT/PATH, or https://HOST[:PORT]/PATH for TLS)\n"
      "comes from --server, else BAZARO_SERVER, else %s.\n"
      "--cacert FILE trusts the PEM certificates in FILE besides the system's roots\n"
      "and the user's bazaro/ca.pem.\n"
      "--user NAME:PASSWORD logs in as NAME (sent over https:// only); with NAME\n"
      "alone the password is asked on the terminal. Without --user, credentials\n"
      "come from the netrc file (machine HOST login NAME password PASSWORD lines):\n"
      "the user's bazaro/netrc, or --netrc-file FILE.\n"
      "A proxy is used as the library reads it from the platform user directory.\n"
      "On a terminal, transfers of 1 MiB or more show a progress bar on stderr.\n"
      "'bazaro COMMAND --help' shows one command.\n\n"
      "Exit status: 0 done; 1 usage or a refused request; 2 the server could not be\n"
      "reached or the request failed; 3 a local file could not be read or written;\n"
      "130 interrupted by Ctrl-C (the request cancelled, no partial output left).\n",
      kDefaultServer);
}

int RunCommand(const Arguments& arguments) {
  if (arguments.command.empty() || arguments.command == "help") {
    const Command* asked =
        arguments.operands.empty() ? nullptr : FindCommand(arguments.operands[0]);
    if (asked != nullptr) {
      PrintCommandUsage(*asked);
    } else {
      PrintUsage();
    }
    return arguments.help || arguments.command == "help" ? kDone : kUsage;
  }
  const Command* command = FindCommand(arguments.command);
  if (command == nullptr) {
    return Report(Usage("unknown command " + arguments.command + " (see bazaro --help)"));
  }
  if (arguments.help) {
    PrintCommandUsage(*command);
    return kDone;
  }
  if (arguments.operands.size() != command->operandCount) {
    return Report(Usage(std::string("usage: bazaro ") + command->name + " " + command->operands));
  }
  Arguments completed = arguments;
  if (std::string(command->name) != "show") {
    Failure failure = CompleteCredentials(completed);
    if (failure.status != kDone) return Report(failure);
  }
  return Report(command->handler(Context{completed}));
}

}  // namespace bazaro
