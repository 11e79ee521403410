#include "os/ResourceText.h"

namespace os {

bool LoadResourceText(int, bool, std::string*) { return false; }

}  // namespace os
