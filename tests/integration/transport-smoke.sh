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

lighttpd=$(command -v lighttpd || echo /usr/sbin/lighttpd)
tinyproxy=$(command -v tinyproxy || echo /usr/bin/tinyproxy)
if [ ! -x "$lighttpd" ] || [ ! -x "$tinyproxy" ]; then
  echo "lighttpd or tinyproxy is not installed"
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/transport-smoke.XXXXXX") || exit 1
pids=()

stop_servers() {
  local pid i
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null
  done
  for pid in "${pids[@]}"; do
    for i in $(seq 1 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null
  done
  rm -rf "$work"
}
trap stop_servers EXIT
trap 'exit 1' INT TERM HUP

listening() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# A port on which nothing listens right now.
free_port() {
  local attempt port
  for attempt in $(seq 1 100); do
    port=$((20000 + RANDOM % 40000))
    if ! listening "$port"; then
      echo "$port"
      return 0
    fi
  done
  return 1
}

# Waits up to 10 seconds for process $2 to listen on port $1.
wait_listening() {
  local i
  for i in $(seq 1 100); do
    listening "$1" && return 0
    kill -0 "$2" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

mkdir -p "$work/www/cgi-bin" "$work/www/misc"
cp "$here/echo.cgi" "$work/www/cgi-bin/echo.cgi"
seq -f 'line %g' 1 5000 >"$work/www/misc/lines.txt"

web_port=$(free_port) || exit 1
cat >"$work/lighttpd.conf" <<CONF
server.document-root = "$work/www"
server.bind = "127.0.0.1"
server.port = $web_port
server.modules = ("mod_cgi")
server.errorlog = "$work/lighttpd-error.log"
cgi.assign = (".cgi" => "/bin/sh")
mimetype.assign = (".txt" => "text/plain")
CONF
"$lighttpd" -D -f "$work/lighttpd.conf" &
pids+=($!)
if ! wait_listening "$web_port" "$!"; then
  echo "lighttpd did not start"
  cat "$work/lighttpd-error.log" 2>/dev/null
  exit 1
fi

proxy_port=$(free_port) || exit 1
cat >"$work/tinyproxy.conf" <<CONF
Port $proxy_port
Listen 127.0.0.1
Timeout 30
MaxClients 8
Allow 127.0.0.1
LogFile "$work/tinyproxy.log"
LogLevel Info
CONF
"$tinyproxy" -d -c "$work/tinyproxy.conf" >"$work/tinyproxy.out" 2>&1 &
pids+=($!)
if ! wait_listening "$proxy_port" "$!"; then
  echo "tinyproxy did not start"
  cat "$work/tinyproxy.out" "$work/tinyproxy.log" 2>/dev/null
  exit 1
fi

timeout --kill-after=5 90 "$@" "$program" "$web_port" "$proxy_port"
status=$?
if [ $status -ne 0 ]; then
  echo "--- lighttpd errors"
  cat "$work/lighttpd-error.log" 2>/dev/null
  echo "--- tinyproxy log"
  cat "$work/tinyproxy.log" 2>/dev/null
fi
exit $status
