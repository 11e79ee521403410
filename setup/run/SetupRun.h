// One setup run: the command line, the run state and the steps that install
// a pad module into the platform installation or remove it.
//
// Defined in setup/run/SetupRun.cpp (the sequence, the end and the outcome),
// setup/run/CommandLine.cpp (reading the command line),
// setup/run/RegisterClasses.cpp (the class list step) and
// setup/run/MergeSteps.cpp (the user type and message steps).
//
// A module brings up to three source files named after it: a class list
// (nametab.<module>), user types (userdef.<module>) and messages (<language
// prefix><module>). An install run merges them into the installation's
// nametab.lst, userdef.lst and message file; a removal run deletes the
// module's classes from nametab.lst. The steps run in order on the worker
// thread (SetupThreadProc) and show what they do only through the front end.
//
// Every file the run changes is replaced in one step, so a failed write
// leaves it as it was. A failure stays visible as the final status text and
// shows in ExitCode.
#pragma once

#include <cstdint>
#include <string>

#include "setup/frontend/FrontEnd.h"
#include "setup/run/InstallPaths.h"
#include "setup/texts/StringTable.h"

namespace setup {

enum class Mode : std::int32_t { Remove = 0, Install = 1 };

// The process exit codes of mkinstall.
enum ExitCode : int {
  kExitCompleted = 0,     // the run completed
  kExitNotStarted = 1,    // the run could not be started
  kExitFileNotFound = 2,  // no installation, or a class list could not be read
  kExitCannotWrite = 3,   // a file of the installation could not be written
};

class SetupRun {
 public:
  // `commandLine` is the text after the program name. `frontEnd` shows the
  // run and must outlive it. Derives the destination paths at once, in the
  // user-interface language.
  SetupRun(const std::string& commandLine, FrontEnd* frontEnd);
  // The same in a given language.
  SetupRun(const std::string& commandLine, FrontEnd* frontEnd, Language language);
  SetupRun(const SetupRun&) = delete;
  SetupRun& operator=(const SetupRun&) = delete;

  // The steps; each returns 1 to go on and 0 to end the run.
  //
  // Reads "-add", "-del", "-in <directory>" and the module name ("ppp" when
  // none) and sets the mode and the source paths. Always 1.
  int ParseCommandLine();
  // Adds (install) or removes (removal) the module's classes in nametab.lst,
  // section by section. 0 when a class list cannot be read or nametab.lst
  // cannot be written.
  int RegisterClasses();
  // Merges the module's user types into userdef.lst. 0 in removal mode, which
  // ends a removal run, and when userdef.lst cannot be written.
  int MergeUserTypes();
  // Merges the module's messages into the message file. 0 when it cannot be
  // written.
  int MergeMessages();
  // Shows the completion text of the mode (or keeps the failure shown) and
  // enables OK. Always 1.
  int FinishRun();

  // The whole sequence: parse, classes, user types, messages, finish.
  void Run();

  // The exit code the run's outcome calls for.
  int ExitCode() const;

  // The run state, read and written only by the thread running the steps.
  Mode mode = Mode::Install;
  std::string sourceNametab;
  std::string sourceUserdef;
  std::string sourceMessage;
  InstallPaths paths;

 private:
  // How long each text stays before the run goes on, in milliseconds.
  static constexpr unsigned int kReadablePause = 500;

  const char* Text(int id) const { return LoadText(id, language_); }
  // Shows a failure text for a moment and keeps it as the run's outcome.
  void Fail(int textId);
  // A merge step: shows `source`, `destination` and the status text
  // `statusId`, then merges with `merge`. 0 when the destination cannot be
  // written.
  int Merge(const std::string& source, const std::string& destination, int statusId,
            bool (*merge)(const char* destination, const char* source));

  std::string commandLine_;
  FrontEnd* frontEnd_;
  Language language_;
  int failure_ = 0;  // the text id of the failure shown, 0 for none
};

// The worker thread's procedure: runs the whole sequence of the SetupRun
// given as `argument`. Exit code 1.
unsigned long SetupThreadProc(void* argument);

}  // namespace setup
