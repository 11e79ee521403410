# shellcheck shell=bash
# Whether this machine can run a Windows tree's programs under Wine. 32-bit
# Wine needs a kernel that executes 32-bit (i386) programs, and the kernels of
# some virtual machines do not: there the 32-bit tree is built and checked
# but its programs cannot run, and the scripts say so instead of failing.
#
#   runs_windows_programs TREE    TREE: windows or windows32
runs_windows_programs() {
  [ "$1" != windows32 ] && return 0
  local status=0
  # 126: the 32-bit loader exists but the kernel cannot execute it.
  /usr/lib/wine/wine --version >/dev/null 2>&1 || status=$?
  [ $status -ne 126 ]
}
