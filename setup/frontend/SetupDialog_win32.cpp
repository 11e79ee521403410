#include "setup/frontend/SetupDialog.h"

#include "setup/frontend/SetupResources.h"

namespace setup {

namespace {

// The worker's last step enables OK and ends at once; this bounds the wait for
// it after the dialog is gone.
constexpr DWORD kWorkerEndBound = 10000;

int ControlOf(Label label) {
  switch (label) {
    case Label::kSource:
      return MKINSTALL_SOURCE;
    case Label::kDestination:
      return MKINSTALL_DESTINATION;
    default:
      return MKINSTALL_STATUS;
  }
}

WORD LanguageId(Language language) {
  return language == Language::kJapanese ? MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)
                                         : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
}

}  // namespace

SetupDialog::SetupDialog(HINSTANCE resources, Language language)
    : resources_(resources),
      language_(language),
      icon(LoadIconA(resources, MAKEINTRESOURCEA(MKINSTALL_ICON))) {}

SetupDialog::~SetupDialog() { WaitForWorker(); }

void SetupDialog::WaitForWorker() {
  if (thread == nullptr) return;
  WaitForSingleObject(thread, kWorkerEndBound);
  CloseHandle(thread);
  thread = nullptr;
}

INT_PTR SetupDialog::RunModal(os::ThreadProc worker, void* argument) {
  WaitForWorker();
  worker_ = worker;
  workerArgument_ = argument;
  // The template of the dialog's own language, whatever the thread's.
  HRSRC found = FindResourceExA(resources_, reinterpret_cast<LPCSTR>(RT_DIALOG),
                                MAKEINTRESOURCEA(MKINSTALL_DIALOG), LanguageId(language_));
  HGLOBAL loaded = found != nullptr ? LoadResource(resources_, found) : nullptr;
  const void* dialogTemplate = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (dialogTemplate == nullptr) return -1;
  // A Unicode dialog keeps the template's texts whatever the code page; the
  // run's texts still arrive in the system's code page (SetWindowTextA).
  INT_PTR result = DialogBoxIndirectParamW(resources_, static_cast<LPCDLGTEMPLATEW>(dialogTemplate),
                                           nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
  window_ = nullptr;
  WaitForWorker();
  return result;
}

INT_PTR CALLBACK SetupDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    if (!reinterpret_cast<SetupDialog*>(lParam)->OnInitDialog(window)) EndDialog(window, -1);
    return TRUE;
  }
  SetupDialog* dialog = reinterpret_cast<SetupDialog*>(GetWindowLongPtrA(window, DWLP_USER));
  if (dialog == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
      // Only a usable OK ends the dialog: an IDOK command sent by other
      // means while the button is disabled would end it under the worker.
      if (LOWORD(wParam) == IDOK && IsWindowEnabled(GetDlgItem(window, IDOK))) {
        EndDialog(window, IDOK);
      }
      // Cancel (Escape, the close command) is ignored, in both states.
      return TRUE;
    case WM_PAINT:
      if (!IsIconic(window)) return FALSE;
      dialog->OnPaintMinimised(window);
      return TRUE;
    case WM_QUERYDRAGICON:
      SetWindowLongPtrA(window, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(dialog->icon));
      return TRUE;
  }
  return FALSE;
}

bool SetupDialog::OnInitDialog(HWND window) {
  window_ = window;
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  // Centred on the screen, as the splash before it.
  RECT bounds;
  GetWindowRect(window, &bounds);
  SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - (bounds.right - bounds.left)) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - (bounds.bottom - bounds.top)) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
  // Started suspended, so that its handle and id are stored before it runs.
  thread = CreateThread(nullptr, 0, ThreadMain, this, CREATE_SUSPENDED, &threadId);
  if (thread == nullptr) return false;
  ResumeThread(thread);
  return true;
}

DWORD WINAPI SetupDialog::ThreadMain(LPVOID dialog) {
  SetupDialog* self = static_cast<SetupDialog*>(dialog);
  return static_cast<DWORD>(self->worker_(self->workerArgument_));
}

void SetupDialog::OnPaintMinimised(HWND window) {
  PAINTSTRUCT paint;
  HDC target = BeginPaint(window, &paint);
  SendMessageA(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(target), 0);
  RECT client;
  GetClientRect(window, &client);
  DrawIcon(target, (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2,
           (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2, icon);
  EndPaint(window, &paint);
}

void SetupDialog::SetLabel(Label label, const char* text) {
  SetWindowTextA(GetDlgItem(window_, ControlOf(label)), text != nullptr ? text : "");
}

void SetupDialog::SetProgress(int position) {
  SendMessageA(GetDlgItem(window_, MKINSTALL_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(position),
               0);
}

void SetupDialog::EnableOk() {
  HWND ok = GetDlgItem(window_, IDOK);
  EnableWindow(ok, TRUE);
  SendMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ok), TRUE);
}

void SetupDialog::Pause(unsigned int milliseconds) { os::SleepMilliseconds(milliseconds); }

}  // namespace setup
