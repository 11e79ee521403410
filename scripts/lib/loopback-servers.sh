# shellcheck shell=bash
# Helpers for the scripts that start real servers on loopback (integration
# tests, scripts/pad-server). Source this file, then call servers_begin NAME
# once: it makes the scratch directory $work and arranges that every server
# started with start_server is stopped and $work removed on every way out of
# the script. Servers are probed on $listen_host (127.0.0.1 unless set).

servers_begin() {
  work=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX") || exit 1
  pids=()
  trap stop_servers EXIT
  trap 'exit 1' INT TERM HUP
}

# Asks each server to stop, gives it up to 5 seconds, then kills it. Safe
# under set -e: a server that is already gone stops nothing.
stop_servers() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    for _ in $(seq 1 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}

# read_port_option PROGRAM VALUE: prints VALUE as a port number in base 10
# (a leading 0 is no octal); refuses anything but 1 to 65535 for PROGRAM's
# --port, ending the script with status 2.
read_port_option() {
  if ! [[ $2 =~ ^[0-9]{1,5}$ ]] || ((10#$2 < 1 || 10#$2 > 65535)); then
    echo "$1: --port takes a number from 1 to 65535" >&2
    exit 2
  fi
  echo $((10#$2))
}

listening() {
  (exec 3<>"/dev/tcp/${listen_host:-127.0.0.1}/$1") 2>/dev/null
}

# A port on which nothing listens right now, below the range the system hands
# out to outgoing connections.
free_port() {
  local attempt port
  for attempt in $(seq 1 100); do
    port=$((20000 + RANDOM % 12000))
    if ! listening "$port"; then
      echo "$port"
      return 0
    fi
  done
  return 1
}

# Waits up to 10 seconds for process $2 to listen on port $1.
wait_listening() {
  for _ in $(seq 1 100); do
    listening "$1" && return 0
    kill -0 "$2" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# start_server VAR CONFIGURE COMMAND...: picks a free port into the variable
# named VAR, calls the function CONFIGURE (which writes the server's
# configuration with that port), runs COMMAND in the background with its
# output in $work/NAME.out (NAME: the command's file name) and waits until it
# listens. Another program may take the port between the pick and the bind,
# so a server that ends without listening is tried again on another port.
# When VAR already holds a port, that port is the only one tried.
start_server() {
  local var=$1 configure=$2 name attempt port pid fixed
  shift 2
  name=$(basename "$1")
  fixed=${!var:-}
  for attempt in 1 2 3 4 5; do
    if [ -n "$fixed" ]; then
      [ "$attempt" -eq 1 ] || break
      if listening "$fixed"; then
        echo "port $fixed is in use"
        return 1
      fi
      port=$fixed
    else
      port=$(free_port) || return 1
    fi
    printf -v "$var" '%s' "$port"
    "$configure" || return 1
    "$@" >"$work/$name.out" 2>&1 &
    pid=$!
    # Listed at once, so that an interruption while it starts stops it too.
    pids+=("$pid")
    wait_listening "$port" "$pid" && return 0
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    unset 'pids[-1]'
  done
  echo "$name did not start"
  cat "$work/$name.out"
  return 1
}

# The tinyproxy program, or nothing when it is not installed.
tinyproxy_program() {
  local program
  program=$(command -v tinyproxy || echo /usr/bin/tinyproxy)
  [ -x "$program" ] && echo "$program"
}

# proxy_port is set by start_server.
# shellcheck disable=SC2154
write_tinyproxy_conf() {
  cat >"$work/tinyproxy.conf" <<CONF
Port $proxy_port
Listen 127.0.0.1
Timeout 30
MaxClients 8
Allow 127.0.0.1
LogFile "$work/tinyproxy.log"
LogLevel Info
CONF
}

# start_tinyproxy PROGRAM: tinyproxy on a free loopback port, taking clients
# from loopback only, logging to $work/tinyproxy.log; sets proxy_port.
start_tinyproxy() {
  start_server proxy_port write_tinyproxy_conf "$1" -d -c "$work/tinyproxy.conf" || {
    cat "$work/tinyproxy.log" 2>/dev/null
    return 1
  }
}

# start_pad_server ARGUMENT...: scripts/pad-server in the background with the
# given arguments, its output in $work/pad-server.out (or the file named by
# pad_server_out, for several servers at once); waits up to 10 seconds
# for the address it prints and sets pad_server_address (HOST:PORT),
# pad_server_scheme (http or https) and pad_server_pid. Started by root, the
# server runs as www-data, which must be able to enter $work to reach a data
# directory in it: $work is opened for entering, not for listing. With
# pad_server_own_group=1 the server runs in a process group of its own,
# numbered pad_server_pid: ending the group ends what a lighttpd that was
# killed left running (its FastCGI responders). pad_server_program names
# another program that prints the same line (scripts/pad-cluster), and
# pad_server_wait the seconds to wait for it.
start_pad_server() {
  local root address out=${pad_server_out:-$work/pad-server.out} group=() program
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  program=${pad_server_program:-$root/scripts/pad-server}
  [ "$(id -u)" -ne 0 ] || chmod 0711 "$work"
  [ "${pad_server_own_group:-0}" -eq 0 ] || group=(setsid)
  "${group[@]}" "$program" "$@" >"$out" 2>&1 &
  pad_server_pid=$!
  pids+=("$pad_server_pid")
  pad_server_address=""
  for _ in $(seq 1 $((${pad_server_wait:-10} * 10))); do
    address=$(sed -n 's|.*give SetHost: \(.*\)/cgi-bin/.*|\1|p' "$out")
    if [ -n "$address" ]; then
      # These are the caller's.
      # shellcheck disable=SC2034
      pad_server_scheme=http
      if [[ $address == https://* ]]; then
        # shellcheck disable=SC2034
        pad_server_scheme=https
        address=${address#https://}
      fi
      # shellcheck disable=SC2034
      pad_server_address=$address
      return 0
    fi
    kill -0 "$pad_server_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "the pad server did not start"
  cat "$out"
  return 1
}

# share_with_pad_server FILE: lets the server read FILE (an accounts file,
# which lighttpd reads on every request) when it runs as www-data.
share_with_pad_server() {
  if [ "$(id -u)" -eq 0 ]; then
    chgrp www-data "$1" && chmod 0640 "$1"
  fi
}

# stop_pad_server [SECONDS]: stops the server start_pad_server started last,
# waiting up to SECONDS (default 10) for it to end (it stops its lighttpd on
# the way out).
stop_pad_server() {
  kill "$pad_server_pid" 2>/dev/null || return 0
  for _ in $(seq 1 $((${1:-10} * 10))); do
    kill -0 "$pad_server_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$pad_server_pid" 2>/dev/null || true
  wait "$pad_server_pid" 2>/dev/null || true
}
