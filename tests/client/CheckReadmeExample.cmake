# The README's example of a pad must be the one the program test compiles and
# runs: the code block after "<!-- example: ... -->" in README (less its
# include line) equals the region between the example markers in SOURCE.
file(READ ${README} readme)
file(READ ${SOURCE} source)
string(FIND "${readme}" "<!-- example: tests/client/ProgramTest.cpp -->" at)
if(at EQUAL -1)
  message(FATAL_ERROR "README has no example block")
endif()
string(SUBSTRING "${readme}" ${at} -1 readme)
set(opening "```cpp\n#include \"bazaro/BazaroComm.h\"\n\n")
string(FIND "${readme}" "${opening}" begin)
string(LENGTH "${opening}" length)
math(EXPR begin "${begin} + ${length}")
string(SUBSTRING "${readme}" ${begin} -1 readme)
string(FIND "${readme}" "```" end)
string(SUBSTRING "${readme}" 0 ${end} shown)
string(REGEX MATCH "// --- README example begins ---\n(.*)// --- README example ends ---"
       region "${source}")
set(tested "${CMAKE_MATCH_1}")
if(shown STREQUAL "" OR NOT shown STREQUAL tested)
  message(FATAL_ERROR "README's example differs from the one in ${SOURCE}")
endif()
