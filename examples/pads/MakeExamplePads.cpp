// Writes the example pads with the kernel's own pad model, so that they are
// pad files exactly as the platform saves them:
//
//   make-example-pads DIRECTORY
//
// board.pad is a parent pad; note-1.pad, note-2.pad and photo.pad are pads to
// place on it, and photo.pad carries a child of its own (its caption).
#include <cstdio>
#include <memory>
#include <string>

#include "mkcore/MkSimplePad.h"

namespace {

char* Text(const char* text) { return const_cast<char*>(text); }

std::unique_ptr<MkSimplePad> NewPad(const char* className, int x, int y, unsigned int width,
                                    unsigned int height) {
  std::unique_ptr<MkSimplePad> pad(new MkSimplePad(className));
  pad->get_view()->SetBounds(x, y, width, height);
  return pad;
}

bool Save(MkSimplePad& pad, const std::string& directory, const char* name) {
  std::string file = directory + "/" + name;
  if (pad.save(Text(file.c_str()), 0, MK_SAVE_NORMAL) != 0) return true;
  std::fprintf(stderr, "make-example-pads: cannot write %s\n", file.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-example-pads DIRECTORY\n");
    return 1;
  }
  std::string directory = argv[1];

  auto board = NewPad("BoardPad", 0, 0, 800, 600);
  board->GetAttributes()->atPut(Text("title"), Text("Team board"));
  board->GetAttributes()->atPut(Text("columns"), 3);
  board->GetAttributes()->atPut(Text("shared"), static_cast<char>(1));

  auto first = NewPad("NotePad", 20, 40, 200, 120);
  first->GetAttributes()->atPut(Text("text"), Text("Ship the 32-bit build"));
  first->GetAttributes()->atPut(Text("color"), Text("yellow"));

  auto second = NewPad("NotePad", 240, 40, 200, 120);
  second->GetAttributes()->atPut(Text("text"), Text("Demo on Friday, 10:00"));
  second->GetAttributes()->atPut(Text("color"), Text("green"));
  second->GetAttributes()->atPut(Text("zoom"), 1.25);

  auto photo = NewPad("PhotoPad", 460, 40, 320, 240);
  photo->GetAttributes()->atPut(Text("image"), Text("harbour.bmp"));
  auto caption = NewPad("LabelPad", 0, 250, 320, 24);
  caption->GetAttributes()->atPut(Text("text"), Text("The harbour at dawn"));
  photo->AddChild(caption.release());

  bool saved = Save(*board, directory, "board.pad") && Save(*first, directory, "note-1.pad") &&
               Save(*second, directory, "note-2.pad") && Save(*photo, directory, "photo.pad");
  return saved ? 0 : 1;
}
