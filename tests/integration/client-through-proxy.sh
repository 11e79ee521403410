#!/bin/bash
# The client's proxy file against a real proxy: starts tinyproxy on a free
# loopback port and runs the test program with that port in
# BAZARO_TEST_PROXY_PORT. The program starts its own scripted server.
#
#   client-through-proxy.sh PROGRAM [EMULATOR ...]
#
# Exits 77 (skipped) when tinyproxy is not installed. The proxy is stopped and
# the temporary directory removed on every way out.
set -u

program=$1
shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/loopback-servers.sh"

tinyproxy=$(tinyproxy_program)
if [ -z "$tinyproxy" ]; then
  echo "tinyproxy is not installed"
  exit 77
fi

servers_begin client-through-proxy
start_tinyproxy "$tinyproxy" || exit 1

BAZARO_TEST_PROXY_PORT=$proxy_port timeout --kill-after=5 120 "$@" "$program"
status=$?
if [ $status -ne 0 ]; then
  echo "--- tinyproxy log"
  cat "$work/tinyproxy.log" 2>/dev/null
fi
exit $status
