// What `bazaro show` prints of a pad: its class, bounds, attributes and
// children, indented by depth, so that a person can see what was shared.
#pragma once

#include <string>

class MkSimplePad;

namespace bazaro {

std::string DescribePad(MkSimplePad* pad);

}  // namespace bazaro
