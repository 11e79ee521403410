# shellcheck shell=bash
# The build trees under build/ and the one way the scripts configure and
# build them. Each tree's cmake options (build type, toolchain, sanitizers,
# compilers) are chosen here and nowhere else, so that a tree one script
# configures is the same tree for the next. BAZARO_JOBS sets the parallelism
# (2).
#
#   build_tree [--dir DIR] [--log FILE] [--configure-if-missing] TREE [TARGET...]
#
# Configures TREE in DIR (default build/TREE) and builds TARGET..., or every
# target. The configure step's output is dropped (its errors are not); the
# build's goes to FILE when given. With --configure-if-missing a tree that is
# configured already is built as it is, with whatever options it was given.
#
# TREE is one of:
#   native      Linux, g++, RelWithDebInfo
#   asan        Linux, Debug, AddressSanitizer and UndefinedBehaviorSanitizer
#   tsan        Linux, RelWithDebInfo, ThreadSanitizer
#   windows     Windows x86-64, mingw-w64, RelWithDebInfo
#   windows32   Windows x86 (32-bit), mingw-w64, RelWithDebInfo
#   fuzz        clang with libFuzzer and the sanitizers, no tests
#   pad-server  the reference pad server alone (padserver/), default options

build_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build_jobs=${BAZARO_JOBS:-2}

# Sets toolchain_options to the cmake options that choose TREE's compilers:
# the mingw-w64 toolchain file of its width for a Windows tree, none for the
# others. Projects built against an installed tree take them too.
set_toolchain_options() {
  case "$1" in
    windows) toolchain_options=(-DCMAKE_TOOLCHAIN_FILE="$build_root/cmake/mingw-w64-x86_64.cmake") ;;
    windows32) toolchain_options=(-DCMAKE_TOOLCHAIN_FILE="$build_root/cmake/mingw-w64-i686.cmake") ;;
    *) toolchain_options=() ;;
  esac
}

# Sets tree_source, tree_options (cmake options) and tree_environment (the
# variables cmake runs with) for TREE; fails on a tree it does not know.
set_tree_options() {
  tree_source=$build_root
  tree_environment=()
  set_toolchain_options "$1"
  case "$1" in
    native | windows | windows32)
      tree_options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "${toolchain_options[@]}")
      ;;
    asan) tree_options=(-DCMAKE_BUILD_TYPE=Debug -DBAZARO_SANITIZE=ON) ;;
    tsan) tree_options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DBAZARO_TSAN=ON) ;;
    fuzz)
      tree_environment=(CC=clang CXX=clang++)
      tree_options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DBAZARO_FUZZ=ON -DBAZARO_BUILD_TESTS=OFF)
      ;;
    pad-server)
      tree_source=$build_root/padserver
      tree_options=()
      ;;
    *)
      echo "unknown build tree: $1" >&2
      return 2
      ;;
  esac
}

build_tree() {
  local dir="" log="" if_missing=0 tree
  while [ $# -gt 0 ]; do
    case "$1" in
      --dir | --log)
        [ $# -ge 2 ] || { echo "build_tree: $1 needs a value" >&2; return 2; }
        if [ "$1" = --dir ]; then dir=$2; else log=$2; fi
        shift 2
        ;;
      --configure-if-missing)
        if_missing=1
        shift
        ;;
      *) break ;;
    esac
  done
  [ $# -ge 1 ] || { echo "build_tree: no tree named" >&2; return 2; }
  tree=$1
  shift
  [ -n "$dir" ] || dir=$build_root/build/$tree
  set_tree_options "$tree" || return
  if [ $if_missing -eq 0 ] || [ ! -f "$dir/CMakeCache.txt" ]; then
    env "${tree_environment[@]}" cmake -S "$tree_source" -B "$dir" -G Ninja "${tree_options[@]}" \
      >/dev/null || return
  fi
  local targets=()
  [ $# -eq 0 ] || targets=(--target "$@")
  if [ -n "$log" ]; then
    cmake --build "$dir" -j "$build_jobs" "${targets[@]}" >"$log" 2>&1
  else
    cmake --build "$dir" -j "$build_jobs" "${targets[@]}"
  fi
}

# pad_server_programs: prints the folder of the pad server's programs for a
# script not told one: the native tree's when it is built, else the
# pad-server tree's, built first (its messages on standard error).
pad_server_programs() {
  if [ -d "$build_root/build/native/padserver/cgi-bin" ]; then
    echo "$build_root/build/native/padserver/cgi-bin"
    return
  fi
  echo "Building the pad server into build/pad-server ..." >&2
  build_tree pad-server >/dev/null || return
  echo "$build_root/build/pad-server/cgi-bin"
}
