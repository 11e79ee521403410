#!/bin/bash
# The transport against real servers: lighttpd on a free loopback port serves
# a CGI script and a static file, and tinyproxy on another port forwards to it.
# The test program makes its exchanges directly and through the proxy.
#
#   transport-smoke.sh PROGRAM [EMULATOR ...]
#
# Exits 77 (skipped) when lighttpd or tinyproxy is not installed. Both servers
# are stopped and the temporary directory removed on every way out.
set -u

program=$1
shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/loopback-servers.sh"

lighttpd=$(command -v lighttpd || echo /usr/sbin/lighttpd)
tinyproxy=$(tinyproxy_program)
if [ ! -x "$lighttpd" ] || [ -z "$tinyproxy" ]; then
  echo "lighttpd or tinyproxy is not installed"
  exit 77
fi

servers_begin transport-smoke

mkdir -p "$work/www/cgi-bin" "$work/www/misc"
cp "$here/echo.cgi" "$work/www/cgi-bin/echo.cgi"
seq -f 'line %g' 1 5000 >"$work/www/misc/lines.txt"

write_lighttpd_conf() {
  cat >"$work/lighttpd.conf" <<CONF
server.document-root = "$work/www"
server.bind = "127.0.0.1"
server.port = $web_port
server.modules = ("mod_cgi")
server.errorlog = "$work/lighttpd-error.log"
cgi.assign = (".cgi" => "/bin/sh")
mimetype.assign = (".txt" => "text/plain")
CONF
}
if ! start_server web_port write_lighttpd_conf "$lighttpd" -D -f "$work/lighttpd.conf"; then
  cat "$work/lighttpd-error.log" 2>/dev/null
  exit 1
fi

start_tinyproxy "$tinyproxy" || exit 1

timeout --kill-after=5 90 "$@" "$program" "$web_port" "$proxy_port"
status=$?
if [ $status -ne 0 ]; then
  echo "--- lighttpd errors"
  cat "$work/lighttpd-error.log" 2>/dev/null
  echo "--- tinyproxy log"
  cat "$work/tinyproxy.log" 2>/dev/null
fi
exit $status
