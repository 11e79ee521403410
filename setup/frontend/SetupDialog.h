// The progress dialog of mkinstall on Windows, and the front end of the run
// it shows.
//
// RunModal shows the dialog (template MKINSTALL_DIALOG in the dialog's
// language) and, once it is up, starts the worker that runs the setup; the
// worker shows what it does through this object's FrontEnd operations. Each
// of them is a window call that the dialog's own thread carries out (a text,
// the progress position, enabling OK and moving the focus to it), so the
// two threads share no data and take no locks. Cancel, Escape and the close
// command do nothing; OK can only be used once the worker has enabled it, at
// the end of the run, and it ends the dialog. The dialog therefore lives as
// long as the worker uses it.
#pragma once

#include "os/Thread.h"
#include "os/WindowsUi.h"
#include "setup/frontend/FrontEnd.h"
#include "setup/texts/StringTable.h"

namespace setup {

class SetupDialog : public FrontEnd {
 public:
  // The dialog's template and icon come from `resources`; `language` picks
  // the template (English or Japanese). Loads the icon.
  SetupDialog(HINSTANCE resources, Language language);
  // Waits (bounded) for the worker to end and closes its handle.
  ~SetupDialog() override;
  SetupDialog(const SetupDialog&) = delete;
  SetupDialog& operator=(const SetupDialog&) = delete;

  // Shows the dialog modally, starts worker(argument) on a thread of its own
  // once the dialog is up, and returns when OK ends it: IDOK. -1 when the
  // dialog could not be shown or the worker could not be started; the dialog
  // then ends at once.
  INT_PTR RunModal(os::ThreadProc worker, void* argument);

  // The dialog's window while it is shown, null otherwise.
  HWND Window() const { return window_; }

  // The front end, called by the worker.
  void SetLabel(Label label, const char* text) override;
  void SetProgress(int position) override;
  void EnableOk() override;
  void Pause(unsigned int milliseconds) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static DWORD WINAPI ThreadMain(LPVOID dialog);
  // Sets the icon and starts the worker; false when it could not be started.
  bool OnInitDialog(HWND window);
  void OnPaintMinimised(HWND window);
  void WaitForWorker();

  HINSTANCE resources_;
  Language language_;
  // The names the system gives these fields are kept.
  // NOLINTBEGIN(readability-identifier-naming)
  HICON icon;               // the program's icon, large and small
  HANDLE thread = nullptr;  // the worker thread
  DWORD threadId = 0;
  // NOLINTEND(readability-identifier-naming)
  HWND window_ = nullptr;
  os::ThreadProc worker_ = nullptr;
  void* workerArgument_ = nullptr;
};

}  // namespace setup
