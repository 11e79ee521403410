// The programs' log: their standard error, which the web server keeps in its
// breakage log. Replies carry fixed reasons only; what went wrong in detail
// (a database's message, a system error) is written here.
#pragma once

#include <string>

namespace padserver {

// Writes "pad server: WHAT: DETAIL" as one line, control bytes of the detail
// shown as "?" so that no detail can forge a line of its own.
void LogFailure(const char* what, const std::string& detail);

// LogFailure with the text of the current errno as the detail.
void LogSystemFailure(const char* what, const std::string& path);

}  // namespace padserver
