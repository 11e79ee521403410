// shared-note SERVER: stores a note pad on the pad server SERVER
// ("host:port/cgi-path/") and prints the id it was given. Exit status 0 when
// the server stored it, 1 when it did not or the request could not be made.
#include <cstdio>
#include <cstring>

#include "PadClassName.h"
#include "bazaro/BazaroComm.h"
#include "mkres/MwRunLoop.h"

namespace {

// A note pad that shares itself. The request returns at once; the client
// reports its end later, on this thread, in TaskEnd.
class SharedNote : public MkSimplePad, public BazaroCommBase {
 public:
  explicit SharedNote(const char* server) : MkSimplePad("NotePad") {
    get_view()->SetBounds(0, 0, 200, 120);
    comm_.SetHost(server);
    comm_.SetPad(this);
  }

  bool Share() { return comm_.RequestUpload(0, this, 20, 40) == 1; }

  void TaskEnd(int type) override {
    if (type == kRequestUpload) sharedAs = comm_.QueryResultID();
    ended = true;
  }

  unsigned long sharedAs = 0;
  bool ended = false;

 private:
  BazaroComm comm_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
    std::fprintf(argc == 2 ? stdout : stderr, "usage: shared-note HOST:PORT/CGI-PATH/\n");
    return argc == 2 ? 0 : 1;
  }
  SharedNote note(argv[1]);
  if (std::strcmp(PadClassName(&note), "NotePad") != 0) {
    std::fprintf(stderr, "shared-note: the pad's class name reads \"%s\"\n", PadClassName(&note));
    return 1;
  }
  if (!note.Share()) {
    std::fprintf(stderr, "shared-note: the request was refused\n");
    return 1;
  }
  // The platform loop runs the client's timer; give the server a minute.
  for (int waited = 0; !note.ended && waited < 60000; waited += 50) MwRunLoop(50);
  if (note.sharedAs == 0) {
    std::fprintf(stderr, "shared-note: the server did not store the pad\n");
    return 1;
  }
  std::printf("stored as pad %lu\n", note.sharedAs);
  return 0;
}
