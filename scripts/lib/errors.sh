# shellcheck shell=bash
# Sourced first by every script that runs under `set -e`: a command that ends
# the script says which one, where and with what status. Without it bash ends
# a script silently when a command fails inside $( ) or < <( ) (the caller
# then sees only an empty result), and a failure deep in a function names
# nothing. errtrace (-E) carries the trap into functions and subshells.
set -E
trap 'echo "${BASH_SOURCE[0]##*/}: line $LINENO: \"$BASH_COMMAND\" failed (exit $?)" >&2' ERR
