// One queued request (internal to the library; callers see a Task only as the
// opaque pointer of BazaroComm::QueryTask).
//
// A task owns its copy of the server address, its file name together with
// the file on the disk (removed when the task goes), and its server-side name.
// Its worker reads it and never changes it.
#pragma once

class BazaroCommBase;
class HostInfo;

class Task {
 public:
  // Takes over `host`; the seven parameters start as 0 or null.
  Task(int type, BazaroCommBase* pad, HostInfo* host);
  virtual ~Task();
  Task(const Task&) = delete;
  Task& operator=(const Task&) = delete;

  // Removes the held file from the disk and frees its name and the held name,
  // then stores the seven values, taking over `file` and `name` (platform
  // strings or null).
  void SetParams(unsigned long id, char* file, int x, int y, int width, int height, char* name);

  int Type() const;
  BazaroCommBase* Pad() const;
  HostInfo* Host() const;
  unsigned long ID() const;
  char* File() const;
  int X() const;
  int Y() const;
  int Width() const;
  int Height() const;
  char* Name() const;

 private:
  void ReleaseParams();

  // The names the system gives these fields are kept.
  // NOLINTBEGIN(readability-identifier-naming)
  int type;
  BazaroCommBase* pad;  // not owned
  HostInfo* host;
  unsigned long id;
  char* file;
  int x;
  int y;
  int width;
  int height;
  char* name;
  // NOLINTEND(readability-identifier-naming)
};
