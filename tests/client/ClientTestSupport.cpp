#include "ClientTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "mkres/MwRunLoop.h"
#include "os/PathSeparator.h"
#include "os/RegistryApi.h"
#include "os/Thread.h"

namespace {

const char kSettingsKey[] = "SOFTWARE\\Veltrane\\Mosaikon\\4.1\\INI\\Mosaikon";

// The value MKUSRDIR as it is now; false when there is none.
bool ReadUserDirectory(std::string* value) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  char data[1024];
  DWORD type = REG_NONE;
  DWORD size = sizeof data;
  LONG status =
      RegQueryValueExA(key, "MKUSRDIR", nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ) return false;
  *value = std::string(data, strnlen(data, size));
  return true;
}

bool WriteUserDirectory(const std::string* value) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  LONG status;
  if (value != nullptr) {
    status =
        RegSetValueExA(key, "MKUSRDIR", 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                       static_cast<DWORD>(value->size() + 1));
  } else {
    status = RegDeleteValueA(key, "MKUSRDIR");
  }
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

ScriptedWorkers* currentWorkers = nullptr;
thread_local bool workerEnded = false;

}  // namespace

UserDirectorySetting::UserDirectorySetting(const std::string& directory)
    // Only POSIX reads the registry from this file; Windows ignores the name.
    : registryFile_("MOSAIKON_REGISTRY", registry_.File("registry.reg")) {
  hadPreviousValue_ = ReadUserDirectory(&previousValue_);
  EXPECT_TRUE(WriteUserDirectory(&directory));
}

UserDirectorySetting::~UserDirectorySetting() {
  WriteUserDirectory(hadPreviousValue_ ? &previousValue_ : nullptr);
}

void Gate::Open() {
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = true;
  opened_.notify_all();
}

bool Gate::Wait(unsigned int milliseconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  return opened_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return open_; });
}

ScriptedWorkers::ScriptedWorkers() : script_([this](WorkerRun* run) { End(run); }) {
  currentWorkers = this;
  for (int type = kRequestNewID; type <= kRequestGetFile; ++type) {
    previous_[type] = client::InstallWorker(type, &ScriptedWorkers::Procedure);
  }
}

ScriptedWorkers::~ScriptedWorkers() {
  for (int type = kRequestNewID; type <= kRequestGetFile; ++type) {
    client::InstallWorker(type, previous_[type]);
  }
  currentWorkers = nullptr;
}

void ScriptedWorkers::SetScript(Script script) {
  std::lock_guard<std::mutex> lock(scriptMutex_);
  script_ = std::move(script);
}

void ScriptedWorkers::Remove(int type) { client::InstallWorker(type, nullptr); }

void ScriptedWorkers::End(WorkerRun* run) {
  if (!workerEnded) {
    workerEnded = true;
    --active_;
  }
  run->ThreadEnd();
}

unsigned long ScriptedWorkers::Procedure(WorkerRun* run) {
  ScriptedWorkers* self = currentWorkers;
  Script script;
  {
    std::lock_guard<std::mutex> lock(self->scriptMutex_);
    script = self->script_;
  }
  ++self->started_;
  int now = ++self->active_;
  int most = self->mostAtOnce_.load();
  while (now > most && !self->mostAtOnce_.compare_exchange_weak(most, now)) {
  }
  workerEnded = false;
  script(run);
  if (!workerEnded) --self->active_;
  ++self->returned_;
  return 0;
}

void RecordingPad::TaskEnd(int type) {
  Report report{type, 0, 0, {}, "", false, 0, 0};
  if (comm_ != nullptr) {
    report.boolValue = comm_->QueryResultBool();
    report.id = comm_->QueryResultID();
    if (BoothInfo* booth = comm_->QueryResultBooth()) {
      report.booth.assign(booth, booth + CountBooth(booth) + 1);
    }
    if (char* file = comm_->QueryResultFile()) {
      report.file = file;
      report.fileExisted = FileExists(file);
    }
    report.reason = comm_->QueryResultReason();
    report.status = comm_->QueryResultStatus();
  }
  reports.push_back(report);
  if (onTaskEnd) onTaskEnd(type);
}

bool RunLoopUntil(const std::function<bool()>& done, unsigned int milliseconds) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    MwRunLoop(10);
  }
  return true;
}

bool WaitUntil(const std::function<bool()>& done, unsigned int milliseconds) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    os::SleepMilliseconds(5);
  }
  return true;
}

std::string TempFiles(const std::string& directory) {
  std::string path = directory;
  if (!path.empty() && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  return ListDirectory(path, ".tmp");
}

MkSimplePad* NewSamplePad(const char* className, int x, int y, unsigned int width,
                          unsigned int height) {
  auto* pad = new MkSimplePad(className);
  pad->get_view()->SetBounds(x, y, width, height);
  pad->GetAttributes()->atPut(Text("title"), Text(className));
  pad->GetAttributes()->atPut(Text("count"), 3);
  return pad;
}

std::string ClientScratch::TempFiles() const { return ::TempFiles(TempDirectory()); }
