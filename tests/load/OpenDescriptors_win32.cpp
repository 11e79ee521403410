#include "OpenDescriptors.h"

int OpenDescriptorCount() { return -1; }

HeldDescriptors::HeldDescriptors(int /*count*/)
    : notApplicable_("Windows sockets are handles; no descriptor limit applies") {}

HeldDescriptors::~HeldDescriptors() {}
