#!/bin/bash
# The project's PadServer operations against the reference pad server:
# scripts/pad-server runs it under lighttpd on a free loopback port with a
# fresh data directory, tinyproxy runs on another, and the test program gets
# both addresses. Afterwards no temporary file may be left in the data
# directory, nothing on the programs' standard error (where a sanitizer
# reports), and the proxy must have carried requests of every kind.
#
#   pad-server-integration.sh PROGRAM CGI-DIR [EMULATOR ...]
#
# Exits 77 (skipped) when lighttpd or tinyproxy is not installed. Every
# server is stopped and the temporary directory removed on every way out.
set -u

program=$1
cgi_dir=$2
shift 2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=scripts/lib/loopback-servers.sh
. "$root/scripts/lib/loopback-servers.sh"

tinyproxy=$(tinyproxy_program)
if ! command -v lighttpd >/dev/null && [ ! -x /usr/sbin/lighttpd ] || [ -z "$tinyproxy" ]; then
  echo "lighttpd or tinyproxy is not installed"
  exit 77
fi

servers_begin pad-server-integration
data=$work/data

# The server's body limit, which the test program knows as well.
start_pad_server --data "$data" --cgi-bin "$cgi_dir" --max-body 8388608 || exit 1
start_tinyproxy "$tinyproxy" || exit 1

BAZARO_TEST_PAD_SERVER=$pad_server_address BAZARO_TEST_PROXY_PORT=$proxy_port \
  timeout --kill-after=5 240 "$@" "$program"
status=$?

leftovers=$(find "$data/pads" "$data/misc" -name '.*' -type f)
if [ -n "$leftovers" ]; then
  echo "temporary files left behind:"
  echo "$leftovers"
  status=1
fi
if [ -s "$data/log/cgi-error.log" ]; then
  echo "--- the programs' standard error"
  cat "$data/log/cgi-error.log"
  status=1
fi
for cgi in pad-cgi pad-gzput-cgi pad-gzget-cgi pad-upload-cgi; do
  if ! grep -q "/cgi-bin/$cgi HTTP" "$work/tinyproxy.log"; then
    echo "no $cgi request went through the proxy"
    status=1
  fi
done
if [ $status -ne 0 ]; then
  echo "--- lighttpd errors"
  cat "$data/log/lighttpd-error.log" 2>/dev/null
  echo "--- tinyproxy log"
  tail -n 40 "$work/tinyproxy.log" 2>/dev/null
fi
exit $status
