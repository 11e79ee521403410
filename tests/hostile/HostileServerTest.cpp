// Every pad command and transfer against a server that misbehaves: each
// scripted behaviour of the table below runs against each operation, which
// must end with the right outcome within the behaviour's wait plus a second,
// leaving no temporary file and no kernel-heap block behind.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <tuple>
#include <vector>

#include "ProtocolTestSupport.h"
#include "TransportTestSupport.h"
#include "bazaro/Reason.h"
#include "client/Reasons.h"
#include "protocol/GzipFile.h"
#include "transport/WaitBoundsForTesting.h"

namespace {

using Script = FakeHttpServer::Script;

// The wait bounds of the suite: a silent server is given up on after this.
constexpr unsigned int kSilence = 600;  // milliseconds
constexpr unsigned long long kDownloadLimit = 4u << 20;

std::string Head(std::size_t length) {
  return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n";
}

std::string Whole(const std::string& body) { return Head(body.size()) + body; }

// --- The operations, each with the body a good server answers it with ---

struct Outcome {
  bool ok;            // the operation reported success
  std::string value;  // what it delivered
};

// The pad list every GetChildPads is answered with.
constexpr unsigned long kListLength = 100000;

const std::string& ListReply() {
  static const std::string text = [] {
    std::string list;
    for (unsigned long id = 1; id <= kListLength; ++id) {
      list += (id > 1 ? " ," : "") + ("id=" + std::to_string(id)) + " x=" + std::to_string(id % 7);
    }
    return list;
  }();
  return text;
}

std::string Command(const std::string& text) {
  return PadServer::kReplyMarker + text + static_cast<char>(PadServer::kTerminator);
}

std::string PadFileContent() {
  std::string content;
  for (int i = 0; content.size() < 20000; ++i) content += "attribute" + std::to_string(i) + ";\n";
  return content;
}

// `content` gzip-compressed, through files as the transfers do it.
std::string Compressed(const std::string& content, const ScratchDirectory& files) {
  std::string plain = files.File("plain");
  std::string packed = files.File("packed.gz");
  if (!WriteWholeFile(plain, content) || !GzipFile(plain.c_str(), packed.c_str())) return "";
  return ReadWholeFile(packed);
}

struct Context {
  PadServer& pad;
  const ScratchDirectory& files;
};

// In the order of Operations().
constexpr const char* kOperationNames[] = {
    "GetNewPadID",  "DeletePad", "GetPadInfo",  "GetPadAttributes", "SetPadInfo",
    "GetChildPads", "UploadPad", "DownloadPad", "PutFile",          "GetFile"};
constexpr std::size_t kOperationCount = sizeof kOperationNames / sizeof kOperationNames[0];

struct Operation {
  std::string goodBody;
  Outcome (*run)(Context& context);
  std::string goodValue;  // what the operation delivers from goodBody
  // Milliseconds the operation may spend on its data besides the waits: the
  // long list takes a while to read under a sanitizer or an emulator.
  unsigned int work = 0;
};

Outcome Result(int result, std::string value = "") { return {result == 0, value}; }

Outcome Fetched(bool ok, const std::string& file) { return {ok, ReadWholeFile(file)}; }

// The length of a list, the sum of its "x" values (each record's in the
// right place) and its first and last records.
std::string Summary(MkDictionary* list) {
  unsigned int length = list->length();
  unsigned long long weighted = 0;
  for (unsigned int index = 0; index < length; ++index) {
    MkDictionary* record = *static_cast<MkDictionary**>(list->at(index)->get_value());
    MkDictionaryValue* x = record->at(Text("x"));
    if (x != nullptr && x->get_type() == kMkTypeInteger) {
      weighted +=
          (index + 1ull) * static_cast<unsigned long long>(*static_cast<int*>(x->get_value()));
    }
  }
  std::string summary = std::to_string(length) + " records, x " + std::to_string(weighted);
  for (unsigned int index : {0u, length - 1}) {
    if (length == 0) break;
    summary += ", " + Describe(*static_cast<MkDictionary**>(list->at(index)->get_value()));
  }
  return summary;
}

std::vector<Operation> Operations(const ScratchDirectory& files) {
  const std::string content = PadFileContent();
  static const std::string compressed = Compressed(content, files);
  return {
      {Command("4711"),
       [](Context& c) {
         unsigned long id = 0;
         int result = c.pad.GetNewPadID(id);
         return Result(result, std::to_string(id));
       },
       "4711"},
      {Command("ok"), [](Context& c) { return Result(c.pad.DeletePad(42)); }, ""},
      {Command("id=42 width=10 name=\"a pad\""),
       [](Context& c) {
         Dictionary record(nullptr);
         int result = c.pad.GetPadInfo(42, record.ref());
         return Result(result, Describe(record.get()));
       },
       "width=10:5 | name=a pad:4 | pid=42:7"},
      {Command("x=5 y=6"),
       [](Context& c) {
         Dictionary record;
         record.Int("x", 0).Int("y", 0);
         int result = c.pad.GetPadInfo(42, record.ref());
         return Result(result, Describe(record.get()));
       },
       "x=5:5 | y=6:5"},
      {Command("ok"),
       [](Context& c) {
         Dictionary attributes;
         attributes.Int("x", 1).Int("width", 30);
         return Result(c.pad.SetPadInfo(42, 7, attributes.get()));
       },
       ""},
      {Command(ListReply()),
       [](Context& c) {
         Dictionary list(nullptr);
         int result = c.pad.GetChildPads(7, list.ref());
         return Result(result, list.get() != nullptr ? Summary(list.get()) : "(null)");
       },
       "100000 records, x 15000250005, id=1:7 | x=1:5, id=100000:7 | x=5:5", 2000},
      {"ok", [](Context& c) { return Result(c.pad.UploadPad(42, c.files.File("pad").c_str())); },
       ""},
      {compressed,
       [](Context& c) {
         std::string local = c.files.File("downloaded");
         return Fetched(c.pad.DownloadPad(42, local.c_str()), local);
       },
       content},
      {"ok",
       [](Context& c) { return Result(c.pad.PutFile("notes.txt", c.files.File("pad").c_str())); },
       ""},
      {content,
       [](Context& c) {
         std::string local = c.files.File("fetched");
         return Fetched(c.pad.GetFile("notes.txt", local.c_str()), local);
       },
       content},
  };
}

// --- The behaviours ---
//
// Each answers with the operation's good body, `body`, in its own way.
// `expected` holds one letter per operation, in the order of Operations():
// D delivers the good value, O reports success with another value (a body
// that is not the operation's reply, read by the rules for such text), and a
// lower-case letter reports failure for the reason the client gives it: b a
// broken reply, t timed out, r refused by status, l too large, s TLS.

struct Behaviour {
  const char* name;
  Script (*script)(const std::string& body);
  unsigned int wait;  // milliseconds the operation may rightly wait
  const char* expected;
  bool tls = false;  // the client expects TLS, which the server never speaks
};

char ReasonLetter(int reason) {
  switch (reason) {
    case kReasonBrokenReply:
      return 'b';
    case kReasonTimedOut:
      return 't';
    case kReasonRefused:
      return 'r';
    case kReasonTooLarge:
      return 'l';
    case kReasonTlsOther:
      return 's';
    default:
      return static_cast<char>('0' + reason % 10);
  }
}

Script Half(const std::string& body) {
  return Script().AwaitRequestEnd().Send(Head(body.size()) + body.substr(0, body.size() / 2));
}

const Behaviour kBehaviours[] = {
    {"a whole answer", [](const std::string& b) { return FakeHttpServer::Reply(Whole(b)); }, 0,
     "DDDDDDDDDD"},
    {"reset without reading", [](const std::string&) { return Script().Reset(); }, 0, "bbbbbbbbbb"},
    {"close without reading", [](const std::string&) { return Script().Close(); }, 0, "bbbbbbbbbb"},
    {"close amid the request", [](const std::string&) { return Script().AwaitBytes(8).Close(); }, 0,
     "bbbbbbbbbb"},
    {"close without answering",
     [](const std::string&) { return Script().AwaitRequestEnd().Close(); }, 0, "bbbbbbbbbb"},
    {"reset without answering",
     [](const std::string&) { return Script().AwaitRequestEnd().Reset(); }, 0, "bbbbbbbbbb"},
    {"never answers",
     [](const std::string&) { return Script().AwaitRequestEnd().Pause(kSilence + 3000); }, kSilence,
     "tttttttttt"},
    {"never reads the request", [](const std::string&) { return Script().Pause(kSilence + 3000); },
     kSilence, "tttttttttt"},
    {"close amid the status line",
     [](const std::string&) { return Script().AwaitRequestEnd().Send("HTTP/1.0 2").Close(); }, 0,
     "bbbbbbbbbb"},
    {"close amid the head",
     [](const std::string& b) {
       return Script().AwaitRequestEnd().Send(Head(b.size()).substr(0, 25)).Close();
     },
     0, "bbbbbbbbbb"},
    {"close behind the head",
     [](const std::string& b) { return Script().AwaitRequestEnd().Send(Head(b.size())).Close(); },
     0, "bbbbbbbbbb"},
    {"close amid the body", [](const std::string& b) { return Half(b).Close(); }, 0, "bbbbbbbbbb"},
    {"reset amid the body", [](const std::string& b) { return Half(b).Pause(100).Reset(); }, 100,
     "bbbbbbbbbb"},
    // A command's response ends at a silence and is then found cut short.
    {"silence amid the body", [](const std::string& b) { return Half(b).Pause(kSilence + 3000); },
     kSilence, "bbbbbbbtbt"},
    // Never silent for a read time-out, but far below 1 KiB per silence bound.
    {"trickles a byte every 100 ms",
     [](const std::string&) {
       Script script = Script().AwaitRequestEnd().Send(Head(1000));
       for (int i = 0; i < 40; ++i) script.Pause(100).Send("x");
       return script;
     },
     kSilence, "tttttttttt"},
    {"reset behind a whole answer",
     [](const std::string& b) { return FakeHttpServer::Reply(Whole(b)).Pause(100).Reset(); }, 100,
     "DDDDDDDDDD"},
    {"answers before reading the request",
     [](const std::string& b) { return Script().Send(Whole(b)); }, 0, "DDDDDDDDDD"},
    {"answers late, within the bound",
     [](const std::string& b) {
       return Script().AwaitRequestEnd().Pause(kSilence / 2).Send(Whole(b));
     },
     kSilence / 2, "DDDDDDDDDD"},
    {"no Content-Length",
     [](const std::string& b) { return FakeHttpServer::Reply("HTTP/1.0 200 OK\r\n\r\n" + b); }, 0,
     "DDDDDDDDDD"},
    {"Content-Length twice, alike",
     [](const std::string& b) {
       std::string length = "Content-Length: " + std::to_string(b.size()) + "\r\n";
       return FakeHttpServer::Reply("HTTP/1.0 200 OK\r\n" + length + length + "\r\n" + b);
     },
     0, "DDDDDDDDDD"},
    {"Content-Length twice, the first too large",
     [](const std::string& b) {
       return FakeHttpServer::Reply(
           "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(b.size() + 5) + "\r\n" +
           Head(b.size()).substr(17) + b);
     },
     0, "bbbbbbbbbb"},
    {"negative Content-Length",
     [](const std::string& b) {
       return FakeHttpServer::Reply("HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\n" + b);
     },
     0, "bbbbbbbbbb"},
    {"huge Content-Length",
     [](const std::string& b) {
       return FakeHttpServer::Reply(
           "HTTP/1.0 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\n" + b);
     },
     0, "bbbbbbbbbb"},
    {"non-numeric Content-Length",
     [](const std::string& b) {
       return FakeHttpServer::Reply("HTTP/1.0 200 OK\r\nContent-Length: many\r\n\r\n" + b);
     },
     0, "bbbbbbbbbb"},
    {"Content-Length smaller than the body",
     [](const std::string& b) {
       return Script()
           .AwaitRequestEnd()
           .Send(Head(1) + b.substr(0, 1))
           .Pause(100)
           .Send(b.substr(1));
     },
     100, "DDDDDDDDDD"},
    {"no end of the header block",
     [](const std::string& b) {
       return FakeHttpServer::Reply("HTTP/1.0 200 OK\nContent-Length: " + std::to_string(b.size()) +
                                    "\n\n" + b);
     },
     0, "bbbbbbbbbb"},
    {"a flood of 20,000 header lines",
     [](const std::string& b) {
       std::string flood;
       for (int i = 0; i < 20000; ++i) flood += "X-Filler-" + std::to_string(i) + ": nothing\r\n";
       return FakeHttpServer::Reply("HTTP/1.0 200 OK\r\n" + flood + Head(b.size()).substr(17) + b);
     },
     0, "DDDDDDDDDD"},
    {"a head of 17 MiB",
     [](const std::string&) {
       return Script()
           .AwaitRequestEnd()
           .Send("HTTP/1.0 200 OK\r\nX-Filler: ")
           .SendPattern(17u << 20)
           .Close();
     },
     0, "bbbbbbbbbb"},
    {"a body of 17 MiB",
     [](const std::string&) {
       return Script().AwaitRequestEnd().Send(Head(17u << 20)).SendPattern(17u << 20);
     },
     0, "bDbbDbDlDl"},
    {"a gzip bomb", nullptr, 0, "bDOODODlDO"},  // filled in by the fixture
    {"refuses with status 500",
     [](const std::string& b) {
       return FakeHttpServer::Reply("HTTP/1.0 500 Internal Server Error\r\nContent-Length: " +
                                    std::to_string(b.size()) + "\r\n\r\n" + b);
     },
     0, "rrrrrrrrrr"},
    {"no status line", [](const std::string& b) { return FakeHttpServer::Reply(b); }, 0,
     "bbbbbbbbbb"},
    // The client asked for TLS: nothing but a handshake may reach the request.
    {"TLS, answers in plain HTTP", [](const std::string& b) { return Script().Send(Whole(b)); }, 0,
     "ssssssssss", true},
    {"TLS, closes amid the handshake",
     [](const std::string&) { return Script().AwaitBytes(8).Close(); }, 0, "ssssssssss", true},
    {"TLS, silent in the handshake",
     [](const std::string&) { return Script().Pause(kSilence + 3000); }, kSilence, "ssssssssss",
     true},
    {"TLS, a record header then silence",
     [](const std::string&) {
       return Script()
           .AwaitBytes(8)
           .Send(std::string("\x16\x03\x03\x40\x00", 5))
           .Pause(kSilence + 3000);
     },
     kSilence, "ssssssssss", true},
    {"TLS, junk for a handshake",
     [](const std::string&) { return Script().AwaitBytes(8).SendPattern(70000).Close(); }, 0,
     "ssssssssss", true},
};

class HostileServerTest : public testing::TestWithParam<std::tuple<std::size_t, std::size_t>> {
 protected:
  static void SetUpTestSuite() {
    transport::SetWaitBoundsForTesting({200, kSilence});
    PadServer::SetDownloadLimit(kDownloadLimit);
  }
  static void TearDownTestSuite() {
    transport::SetWaitBoundsForTesting(transport::kDefaultWaitBounds);
    PadServer::SetDownloadLimit(PadServer::kDefaultDownloadLimit);
  }

  // 64 MiB of zeros, compressed: past the download limit once unpacked.
  static const std::string& Bomb(const ScratchDirectory& files) {
    static const std::string bomb = Compressed(std::string(64u << 20, '\0'), files);
    return bomb;
  }

  ScratchDirectory files_;  // made before the temporary directory moves
  OwnTempDirectory temp_;
};

TEST_P(HostileServerTest, EndsRightWithinTheBound) {
  const Behaviour& behaviour = kBehaviours[std::get<0>(GetParam())];
  ASSERT_TRUE(temp_.InEffect());
  ASSERT_TRUE(WriteWholeFile(files_.File("pad"), PadFileContent()));
  std::vector<Operation> operations = Operations(files_);
  ASSERT_EQ(operations.size(), kOperationCount);
  Operation& operation = operations[std::get<1>(GetParam())];
  char expected = behaviour.expected[std::get<1>(GetParam())];

  FakeHttpServer fake;
  ASSERT_TRUE(fake.Listening());
  fake.Answer(behaviour.script != nullptr ? behaviour.script(operation.goodBody)
                                          : FakeHttpServer::Reply(Whole(Bomb(files_))));
  PadServer pad;
  pad.SetServer("127.0.0.1", fake.Port(), "/cgi/");
  if (behaviour.tls) pad.SetTls(true, nullptr);
  Context context{pad, files_};
  Stopwatch watch;
  Outcome outcome = operation.run(context);
  long long elapsed = watch.Milliseconds();

  int status = 0;
  char actual = !outcome.ok ? ReasonLetter(client::FailureReason(pad, false, status))
                : outcome.value == operation.goodValue ? 'D'
                                                       : 'O';
  EXPECT_EQ(expected, actual) << "delivered " << outcome.value.substr(0, 120);
  EXPECT_LE(elapsed, behaviour.wait + operation.work + 1000);
  EXPECT_EQ(temp_.Listing(), "") << "temporary files were left behind";
}

std::string CaseName(const testing::TestParamInfo<std::tuple<std::size_t, std::size_t>>& info) {
  std::string name = kBehaviours[std::get<0>(info.param)].name;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name + "__" + kOperationNames[std::get<1>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Table, HostileServerTest,
                         testing::Combine(testing::Range<std::size_t>(0, sizeof kBehaviours /
                                                                             sizeof kBehaviours[0]),
                                          testing::Range<std::size_t>(0, kOperationCount)),
                         CaseName);

}  // namespace
