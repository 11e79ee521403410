// On POSIX the registry is a file and each test gets one of its own; Windows
// does not read the variable, and the tests use the registry of their own Wine
// prefix, where RegistryValues puts the values back.
#include "EnvironmentOverride.h"
#include "SetupTestSupport.h"

struct PrivateRegistry::State {
  ScratchDirectory scratch;
  EnvironmentOverride file{"MOSAIKON_REGISTRY", scratch.File("registry.reg")};
};

PrivateRegistry::PrivateRegistry() : state_(new State) {}

PrivateRegistry::~PrivateRegistry() = default;
