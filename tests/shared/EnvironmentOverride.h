// Sets an environment variable for the life of the object, then puts back
// what was there before.
#pragma once

#include <string>

class EnvironmentOverride {
 public:
  // A null `value` removes the variable.
  EnvironmentOverride(const char* name, const char* value);
  EnvironmentOverride(const std::string& name, const std::string& value)
      : EnvironmentOverride(name.c_str(), value.c_str()) {}
  ~EnvironmentOverride();
  EnvironmentOverride(const EnvironmentOverride&) = delete;
  EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

 private:
  std::string name_;
  bool hadValue_ = false;
  std::string oldValue_;
};
