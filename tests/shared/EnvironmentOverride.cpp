#include "EnvironmentOverride.h"

#include <cstdlib>

namespace {

void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
  // The C runtime of Windows has no setenv; an empty value removes the name.
  _putenv_s(name, value != nullptr ? value : "");
#else
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
#endif
}

}  // namespace

EnvironmentOverride::EnvironmentOverride(const char* name, const char* value) : name_(name) {
  const char* old = std::getenv(name);
  hadValue_ = old != nullptr;
  if (hadValue_) oldValue_ = old;
  SetVariable(name, value);
}

EnvironmentOverride::~EnvironmentOverride() {
  SetVariable(name_.c_str(), hadValue_ ? oldValue_.c_str() : nullptr);
}
