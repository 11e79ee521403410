#include "OpenDescriptors.h"

int OpenDescriptorCount() { return -1; }
