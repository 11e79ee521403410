// Where the program looks for libraries it loads by plain name.
#pragma once

namespace os {

// Makes every later load of a library by plain name look in the system's own
// library folder only, never beside the program or in the current directory,
// where someone else may have put a library of that name. Called first thing
// by a program that runs with raised rights. True when the search is
// restricted (POSIX: always, there is nothing to restrict); false when the
// system lacks the means, and the search then stays as it was.
bool RestrictLibrarySearch();

}  // namespace os
