#!/bin/bash
# The load test against the reference pad server: scripts/pad-server runs it
# under lighttpd on a free loopback port with a fresh data directory, and the
# test program (under the build's emulator, if any) gets its address. The
# clients delete all they stored, so afterwards the store must be empty, no
# pad file and no temporary file may be left in the data directory, the
# files they sent must all be there, and nothing may be on the programs'
# standard error (where a sanitizer reports). It runs twice: over HTTP,
# then over HTTPS with the server's private authority.
#
#   run-load.sh PROGRAM CGI-DIR [EMULATOR ...]
#
# Exits 77 (skipped) when lighttpd or sqlite3 is not installed.
set -u

program=$1
cgi_dir=$2
shift 2
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=scripts/lib/loopback-servers.sh
. "$root/scripts/lib/loopback-servers.sh"

if ! command -v lighttpd >/dev/null && [ ! -x /usr/sbin/lighttpd ] ||
  ! command -v sqlite3 >/dev/null; then
  echo "lighttpd or sqlite3 is not installed"
  exit 77
fi

servers_begin load
status=0
fail() {
  echo "$*"
  status=1
}

# load_pass DATA [SERVER-OPTION...]: a server on DATA, the program against
# it, and the checks of what it left.
load_pass() {
  local data=$1 pads leftovers sent address ca=""
  shift
  start_pad_server --data "$data" --cgi-bin "$cgi_dir" "$@" || exit 1
  address=$pad_server_address
  if [ "$pad_server_scheme" = https ]; then
    # By the name its certificate carries, trusting its private authority.
    address=https://localhost:${pad_server_address##*:}
    ca=$data/tls/ca.pem
  fi
  BAZARO_TEST_PAD_SERVER=$address BAZARO_TEST_CA_FILE=$ca \
    timeout --kill-after=5 280 "${emulator[@]}" "$program" || {
    fail "the clients failed over $address; the server's last errors:"
    tail -n 20 "$data/log/lighttpd-error.log"
    df -h "$data" "${TMPDIR:-/tmp}"
  }
  pads=$(sqlite3 "$data/pads.db" "SELECT count(*) FROM pads; SELECT count(*) FROM attributes;" |
    tr '\n' ' ')
  [ "$pads" = "0 0 " ] || fail "the store still holds pads and attributes: $pads"
  [ -z "$(ls -A "$data/pads")" ] || fail "pad files left: $(ls -A "$data/pads")"
  leftovers=$(find "$data/misc" -name '.*')
  [ -z "$leftovers" ] || fail "temporary files left: $leftovers"
  # Every tenth request of each client's 250 sends a file.
  sent=$(find "$data/misc" -name 'load-*.bin' | wc -l)
  [ "$sent" -eq 100 ] || fail "$sent files sent instead of 100"
  if [ -s "$data/log/cgi-error.log" ]; then
    fail "--- the programs' standard error"
    cat "$data/log/cgi-error.log"
  fi
  stop_pad_server
}

emulator=("$@")
load_pass "$work/data"
# Once more over HTTPS.
load_pass "$work/data-tls" --tls-self-signed
exit $status
