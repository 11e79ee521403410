# shellcheck shell=bash
# The registry file that stands in for the Windows registry on POSIX (named
# by MOSAIKON_REGISTRY), for the scripts that run the native programs against
# a platform installation of their own.
#
#   registry_file_text USER-DIRECTORY [MK-EXE]
#
# Prints the file: USER-DIRECTORY as the platform's user directory (MKUSRDIR)
# and, when given, MK-EXE as the path registered for mk.exe, through which
# mkinstall finds the installation. Backslashes and quotes in the paths are
# escaped as the format wants, so that any path reads back as it was given.
registry_file_text() {
  printf 'Windows Registry Editor Version 5.00\n\n'
  if [ $# -ge 2 ]; then
    printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MK.EXE]\n'
    printf '@="%s"\n\n' "$(registry_quoted "$2")"
  fi
  printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltrane\\Mosaikon\\4.1\\INI\\Mosaikon]\n'
  printf '"MKUSRDIR"="%s"\n' "$(registry_quoted "$1")"
}

registry_quoted() {
  local value=${1//\\/\\\\}
  printf '%s' "${value//\"/\\\"}"
}
