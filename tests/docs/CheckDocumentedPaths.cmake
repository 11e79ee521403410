# The notes name only files and folders that exist: every path in backticks
# in docs/internals.md, and every folder in the first column of the README's
# layout table. The table also lists every top-level folder of the tree.
#   cmake -DROOT=<source tree> -P CheckDocumentedPaths.cmake
set(missing "")

# Paths in backticks: a slash inside, no blank.
function(check_paths text where)
  string(REGEX MATCHALL "`[^` ]*/[^` ]*`" quoted "${text}")
  foreach(path IN LISTS quoted)
    string(REGEX REPLACE "^`|`$" "" path "${path}")
    if(NOT EXISTS "${ROOT}/${path}")
      list(APPEND missing "${where}: ${path}")
    endif()
  endforeach()
  set(missing "${missing}" PARENT_SCOPE)
endfunction()

file(READ "${ROOT}/docs/internals.md" notes)
check_paths("${notes}" "docs/internals.md")

file(READ "${ROOT}/README.md" readme)
string(REGEX MATCH "\n## Layout\n(.*)\n### " layout "${readme}")
string(REGEX MATCHALL "\n\\| [^|]*\\|" firsts "${CMAKE_MATCH_1}")
string(JOIN " " firsts ${firsts})
check_paths("${firsts}" "README layout table")
file(GLOB tops LIST_DIRECTORIES true RELATIVE "${ROOT}" "${ROOT}/*")
foreach(top IN LISTS tops)
  if(IS_DIRECTORY "${ROOT}/${top}" AND NOT top MATCHES "^(\\.|build)")
    string(FIND "${firsts}" "`${top}/" at)
    if(at EQUAL -1)
      list(APPEND missing "README layout table lacks ${top}/")
    endif()
  endif()
endforeach()

if(missing)
  list(JOIN missing "\n  " missing)
  message(FATAL_ERROR "named but missing:\n  ${missing}")
endif()
