// Helpers for the client tests: settings pointed at scratch folders, workers
// scripted by the test, a callback object that records its reports, and
// bounded waits.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "EnvironmentOverride.h"
#include "ScratchDirectory.h"
#include "TempDirectoryOverride.h"
#include "bazaro/BazaroComm.h"
#include "client/WorkerRun.h"
#include "client/WorkerTableForTesting.h"
#include "mkcore/MkString.h"

// Sets the platform user directory (MKUSRDIR) for the life of the object: on
// POSIX in a registry file of its own, on Windows in the registry, where the
// previous value comes back afterwards.
class UserDirectorySetting {
 public:
  explicit UserDirectorySetting(const std::string& directory);
  ~UserDirectorySetting();
  UserDirectorySetting(const UserDirectorySetting&) = delete;
  UserDirectorySetting& operator=(const UserDirectorySetting&) = delete;

 private:
  ScratchDirectory registry_;
  EnvironmentOverride registryFile_;
  bool hadPreviousValue_;
  std::string previousValue_;
};

// The scratch folders a client test runs in, each a fresh one of its own:
// the system's temporary directory and the platform user directory.
class ClientScratch {
 public:
  // The temporary directory as the system names it, with its separator.
  const std::string& TempDirectory() const { return tempOverride_.Directory(); }
  // A name below the temporary directory.
  std::string TempFile(const std::string& name) const { return temp_.File(name); }
  // The temporary files ("*.tmp") there now, as TempFiles lists them.
  std::string TempFiles() const;

 private:
  ScratchDirectory temp_;
  TempDirectoryOverride tempOverride_{temp_.Path()};
  ScratchDirectory userDirectory_;
  UserDirectorySetting setting_{userDirectory_.Path()};
};

// A gate a worker can wait at until the test opens it. Every wait is bounded.
class Gate {
 public:
  void Open();
  // True when the gate opened within `milliseconds`.
  bool Wait(unsigned int milliseconds);

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

// Installs one scripted procedure for every request type code and puts the
// previous procedures back when it goes. The script runs on the worker thread.
class ScriptedWorkers {
 public:
  using Script = std::function<void(WorkerRun* run)>;

  ScriptedWorkers();
  ~ScriptedWorkers();
  ScriptedWorkers(const ScriptedWorkers&) = delete;
  ScriptedWorkers& operator=(const ScriptedWorkers&) = delete;

  // The script of the workers started from now on. The default one calls
  // ThreadEnd at once.
  void SetScript(Script script);
  // Takes the procedure of `type` out of the table until this object goes.
  void Remove(int type);

  // Ends the task of `run` for a script: counts the worker as no longer
  // working, then calls ThreadEnd. A script that returns without it is
  // counted out when it returns, and its ThreadEnd is left to the library.
  void End(WorkerRun* run);

  // Workers started and returned so far, and the largest number that were at
  // once between their start and their End.
  int Started() const { return started_.load(); }
  int Returned() const { return returned_.load(); }
  int MostAtOnce() const { return mostAtOnce_.load(); }

 private:
  static unsigned long Procedure(WorkerRun* run);

  client::WorkerProcedure previous_[kRequestGetFile + 1];
  std::mutex scriptMutex_;
  Script script_;
  std::atomic<int> started_{0};
  std::atomic<int> returned_{0};
  std::atomic<int> active_{0};
  std::atomic<int> mostAtOnce_{0};
};

// A callback object that records every report with the outcome it could read.
class RecordingPad : public BazaroCommBase {
 public:
  struct Report {
    int type;
    char boolValue;
    unsigned long id;
    std::vector<BoothInfo> booth;  // with its end record; empty for null
    std::string file;              // the file's name, empty for null
    bool fileExisted;
    int reason;  // QueryResultReason and QueryResultStatus
    int status;
  };

  explicit RecordingPad(BazaroComm* comm = nullptr) : comm_(comm) {}
  void SetComm(BazaroComm* comm) { comm_ = comm; }

  // Runs inside TaskEnd, after the report was recorded.
  std::function<void(int type)> onTaskEnd;

  void TaskEnd(int type) override;

  std::vector<Report> reports;

 private:
  BazaroComm* comm_;
};

// Runs the calling thread's timers until `done` holds or `milliseconds` have
// passed; true when `done` held.
bool RunLoopUntil(const std::function<bool()>& done, unsigned int milliseconds);

// Waits without running the timers, polling `done`; true when it held.
bool WaitUntil(const std::function<bool()>& done, unsigned int milliseconds);

// The temporary files ("*.tmp") in `directory`, sorted, separated by blanks;
// the test's other scratch folders may live there too.
std::string TempFiles(const std::string& directory);

// A pad with bounds and a few attributes.
MkSimplePad* NewSamplePad(const char* className, int x, int y, unsigned int width,
                          unsigned int height);

// A writable copy of a text, for the char* parameters of the interface.
struct Text {
  explicit Text(const std::string& text) : buffer(text.begin(), text.end()) {
    buffer.push_back('\0');
  }
  operator char*() { return buffer.data(); }
  std::vector<char> buffer;
};
