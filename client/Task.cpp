#include "client/Task.h"

#include "bazaro/HostInfo.h"
#include "client/FileRemoval.h"
#include "kernel/KernelObjects.h"

Task::Task(int type, BazaroCommBase* pad, HostInfo* host)
    : type(type),
      pad(pad),
      host(host),
      id(0),
      file(nullptr),
      x(0),
      y(0),
      width(0),
      height(0),
      name(nullptr) {}

Task::~Task() {
  delete host;
  ReleaseParams();
}

void Task::SetParams(unsigned long newId, char* newFile, int newX, int newY, int newWidth,
                     int newHeight, char* newName) {
  // A value already held is kept, not released.
  if (file != nullptr && file != newFile) {
    client::RemoveFileFromDisk(file);
    FreeString(&file);
  }
  if (name != newName) FreeString(&name);
  id = newId;
  file = newFile;
  x = newX;
  y = newY;
  width = newWidth;
  height = newHeight;
  name = newName;
}

void Task::ReleaseParams() {
  if (file != nullptr) {
    client::RemoveFileFromDisk(file);
    FreeString(&file);
    file = nullptr;
  }
  FreeString(&name);
  name = nullptr;
}

int Task::Type() const { return type; }
BazaroCommBase* Task::Pad() const { return pad; }
HostInfo* Task::Host() const { return host; }
unsigned long Task::ID() const { return id; }
char* Task::File() const { return file; }
int Task::X() const { return x; }
int Task::Y() const { return y; }
int Task::Width() const { return width; }
int Task::Height() const { return height; }
char* Task::Name() const { return name; }
