// The separator of directory and file names on this target.
#pragma once

namespace os {
constexpr char kPathSeparator = '\\';
constexpr const char* kPathSeparatorText = "\\";
}  // namespace os
