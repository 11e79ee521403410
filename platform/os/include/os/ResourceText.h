// Texts from the program's own string table (a Windows resource).
#pragma once

#include <string>

namespace os {

// Sets `text` to string `id` of the running program's string table in
// Japanese or in English, in the code page the program's texts use (CP932
// for Japanese on Windows), and returns true. False, with `text` untouched,
// when the program has no such string: always on POSIX, where programs carry
// no resources.
bool LoadResourceText(int id, bool japanese, std::string* text);

}  // namespace os
