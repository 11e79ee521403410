#!/bin/bash
# scripts/pad-cluster with two front ends: what one front end stores (a
# record, a pad file) the other reads, concurrent writers get distinct pads and lose none, bazaro
# shares a pad through haproxy, a killed front end is left out within 2
# seconds while the others go on serving, and a stopped PostgreSQL is
# answered with 503 until it runs again. Under both faults no request may
# succeed wrongly and no pad may be left half-changed. The project's
# PadServer operations then run through haproxy. Every server is stopped
# and the temporary directory removed on every way out.
#
#   pad-cluster.sh PROGRAM BAZARO CGI-DIR
#
# PROGRAM is the integration test program. Exits 77 (skipped) when lighttpd,
# haproxy or PostgreSQL is not installed.
set -u

program=$1
bazaro=$2
cgi_dir=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=scripts/lib/postgres-cluster.sh
. "$root/scripts/lib/postgres-cluster.sh"
# shellcheck source=scripts/lib/registry.sh
. "$root/scripts/lib/registry.sh"
# shellcheck source=tests/integration/pad-requests.sh
. "$here/pad-requests.sh"

if ! command -v lighttpd >/dev/null && [ ! -x /usr/sbin/lighttpd ] ||
  ! command -v haproxy >/dev/null && [ ! -x /usr/sbin/haproxy ] || ! postgres_cluster_bin >/dev/null ||
  [ -z "$(tinyproxy_program)" ]; then
  echo "lighttpd, haproxy, tinyproxy or PostgreSQL is not installed"
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/pad-cluster-test.XXXXXX") || exit 1
# The cluster's accounts enter it to reach their folders.
[ "$(id -u)" -ne 0 ] || chmod 0711 "$work"
cluster_pid=""
pids=()
# Stops the cluster (which stops its parts), and PostgreSQL in case this
# script started it again and the cluster was gone by then.
# shellcheck disable=SC2317  # run on the way out
finish() {
  if [ -n "$cluster_pid" ]; then
    kill "$cluster_pid" 2>/dev/null
    for _ in $(seq 1 300); do
      kill -0 "$cluster_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$cluster_pid" 2>/dev/null
  fi
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  [ ! -f "$work/cluster/postgres/data/postmaster.pid" ] ||
    postgres_cluster_pause "$work/cluster/postgres" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT
trap 'exit 1' INT TERM HUP

status=0
fail() {
  echo "FAILED: $*"
  status=1
}

# Its scratch folders, and so its front ends', go into $work too.
# The body limit is the one the test program knows.
TMPDIR=$work "$root/scripts/pad-cluster" --front-ends 2 --data "$work/cluster" \
  --cgi-bin "$cgi_dir" --max-body 8388608 >"$work/cluster.out" 2>&1 &
cluster_pid=$!
for _ in $(seq 1 1200); do
  grep -q '^Pad cluster listening' "$work/cluster.out" && break
  kill -0 "$cluster_pid" 2>/dev/null || break
  sleep 0.1
done
field() { sed -n "s|$1|\\1|p" "$work/cluster.out"; }
address=$(field '^Pad cluster listening; give SetHost: \(.*\)/cgi-bin/$')
if [ -z "$address" ]; then
  echo "the cluster did not start"
  cat "$work/cluster.out"
  exit 1
fi
front_end_1=$(field '^Front end 1: \(.*\)$')
front_end_2=$(field '^Front end 2: \(.*\)$')
haproxy_log=$(field '^haproxy log: \(.*\)$')
postgres_port=$(field '^Data: .* (port \([0-9]*\))$')
postgres_dir=$work/cluster/postgres
base=http://$address
curl_options=()

# through ADDRESS COMMAND: a pad command sent to one front end.
through() {
  local base=http://$1
  pad_command "$2"
}

# A pad written through one front end is read through the other.
id=$(through "$front_end_1" GetNewPadID)
id=${id#200 }
[ "$(through "$front_end_1" "SetPadInfo $id 0 3 4 tester staff kind=\"shared\"")" = "200 " ] ||
  fail "SetPadInfo through front end 1"
got=$(through "$front_end_2" "GetPadInfo $id")
[[ $got == "200 id=0 x=3 y=4 "*' kind="shared"' ]] || fail "read through front end 2: $got"
head -c 20000 /dev/urandom >"$work/pad"
[ "$(base=http://$front_end_1 upload pad-gzput-cgi "$id.pad" "$work/pad")" = "200 " ] ||
  fail "pad file upload through front end 1"
printf '/pads/%s.pad' "$id" >"$work/body"
curl -s --max-time 20 -o "$work/got" --data-binary "@$work/body" \
  "http://$front_end_2/cgi-bin/pad-gzget-cgi"
cmp -s "$work/got" "$work/pad" || fail "the pad file read through front end 2 differs"

# 16 writers at once, every other one through each front end: distinct pads,
# each holding what its writer set.
writers=()
for w in $(seq 1 16); do
  front_end=$front_end_1
  [ $((w % 2)) -eq 0 ] || front_end=$front_end_2
  (
    id=$(through "$front_end" GetNewPadID)
    id=${id#200 }
    answer=$(through "$front_end" "SetPadInfo $id 0 $w 0 tester staff writer=$w")
    echo "$id $answer" >"$work/writer.$w"
  ) &
  writers+=($!)
done
wait "${writers[@]}"
ids=$(cut -d' ' -f1 "$work"/writer.* | sort -u | grep -c '^[0-9][0-9]*$')
[ "$ids" -eq 16 ] || fail "16 writers got $ids distinct pads: $(cat "$work"/writer.*)"
for w in $(seq 1 16); do
  read -r id answer <"$work/writer.$w"
  [ "$answer" = "200" ] || fail "writer $w: SetPadInfo answered $answer"
  got=$(through "$front_end_1" "GetPadInfo $id")
  [[ $got == "200 id=0 x=$w y=0 "*" writer=$w" ]] || fail "writer $w's pad $id reads $got"
done

# bazaro shares a pad through haproxy and lists it back.
mkdir -p "$work/user"
registry_file_text "$work/user" >"$work/registry.reg"
export MOSAIKON_REGISTRY=$work/registry.reg
cli() { BAZARO_SERVER=$address/cgi-bin/ timeout --kill-after=5 60 "$bazaro" "$@" </dev/null; }
if board=$(cli upload 0 "$root/examples/pads/board.pad") &&
  note=$(cli upload "$board" "$root/examples/pads/note-1.pad" --at 11,12); then
  cli list "$board" | grep -qE "^ *$note +11 +12 " || fail "bazaro list does not show $note at 11,12"
else
  fail "bazaro upload through haproxy"
fi

# A request naming another host is refused before any front end sees it.
printf 'GetNewPadID\n\377' >"$work/command"
code=$(curl -s --max-time 20 -o /dev/null -w '%{http_code}' -H 'Host: elsewhere.example' \
  --data-binary "@$work/command" "$base/cgi-bin/pad-cgi")
[ "$code" = 400 ] || fail "a request naming another host answered $code"

# Every PadServer operation through haproxy, directly and through tinyproxy
# (the many clients' run is left to the writers above). haproxy refuses the
# blank the client leaves in a file's name in the request line, so file
# transfers go through tinyproxy alone, whose route names files without
# blanks.
if start_tinyproxy "$(tinyproxy_program)"; then
  BAZARO_TEST_PAD_SERVER=$address BAZARO_TEST_PROXY_PORT=$proxy_port \
    timeout --kill-after=5 100 "$program" \
    --gtest_filter='*-PadServerManyClients.*:*TransfersCarryFilesWhole/Direct' ||
    fail "the PadServer operations through haproxy"
else
  fail "tinyproxy did not start"
fi

# load FILE SECONDS: makes pads through haproxy and sets two attributes on
# each, one after another, until $work/stop exists or SECONDS pass. Each
# answer goes into FILE as "START new STATUS BODY" or "START set ID STATUS".
load() {
  local end=$((SECONDS + $2)) id answer started
  while [ ! -e "$work/stop" ] && [ $SECONDS -lt $end ]; do
    started=$(date +%s%3N)
    # An error page may run over several lines.
    answer=$(pad_command GetNewPadID | tr '\n' ' ')
    echo "$started new $answer" >>"$1"
    [[ $answer =~ ^200\ ([0-9]+)$ ]] || continue
    id=${BASH_REMATCH[1]}
    started=$(date +%s%3N)
    answer=$(pad_command "SetPadInfo $id 0 1 2 tester staff a=$id b=$id" | tr '\n' ' ')
    echo "$started set $id ${answer% }" >>"$1"
  done
}

# under_load NAME FAULT: four loaders run while the function FAULT runs,
# and for a second after it.
under_load() {
  local loaders=() l
  rm -f "$work/stop" "$work/$1".*
  for l in 1 2 3 4; do
    load "$work/$1.$l" 60 &
    loaders+=($!)
  done
  sleep 1
  "$2"
  sleep 1
  touch "$work/stop"
  wait "${loaders[@]}"
  cat "$work/$1".* >"$work/$1"
}

# check_load NAME FAILURES SINCE: every answer of the run NAME is a success
# or a status FAILURES (an extended regular expression) matches, and every
# request started after SINCE succeeded. A new pad's success carries its
# identifier, and the pad reads back with both attributes or with neither,
# with both when setting them succeeded.
check_load() {
  local started kind a b answer got successes=0
  declare -A set_status=()
  while read -r started kind a b; do
    [ "$kind" != set ] || set_status[$a]=${b%% *}
  done <"$work/$1"
  while read -r started kind a b; do
    answer=$a
    if [ "$kind" = new ] && [ "$answer" = 200 ]; then
      successes=$((successes + 1))
      if ! [[ $b =~ ^[1-9][0-9]*$ ]]; then
        fail "$1: a new pad answered 200 \"$b\""
        continue
      fi
      got=$(pad_command "GetPadInfo $b")
      if [[ $got == "200 "*" a=$b b=$b" ]]; then
        [ -n "${set_status[$b]:-}" ] || fail "$1: pad $b holds what no request set"
      elif [[ $got == "200 "* ]]; then
        [[ $got != *" a=$b"* && $got != *" b=$b"* ]] || fail "$1: pad $b half-set: $got"
        [ "${set_status[$b]:-}" != 200 ] || fail "$1: pad $b lost what was set: $got"
      else
        fail "$1: pad $b made, then not found: $got"
      fi
    fi
    [ "$kind" = new ] || answer=${b%% *}
    if [ "$answer" != 200 ]; then
      [[ $answer =~ ^($2)$ ]] || fail "$1: $kind answered $answer"
      [ "$started" -lt "$3" ] || fail "$1: $kind started at $started, after $3, answered $answer"
    fi
  done <"$work/$1"
  [ "$successes" -gt 0 ] || fail "$1: no pad was made"
}

# Fault 1: front end 2's lighttpd is killed. haproxy says it is down within
# 2 seconds; requests cut on the way fail (502, or a cut connection), and
# all succeed from then on.
# shellcheck disable=SC2317  # run by under_load
kill_front_end_2() {
  local pid conf port=${front_end_2##*:} killed
  for pid in $(pgrep -x lighttpd); do
    conf=$(tr '\0' '\n' <"/proc/$pid/cmdline" 2>/dev/null | tail -n 1)
    if [[ $conf == "$work"/* ]] && grep -qx "server.port = $port" "$conf"; then
      # Its FastCGI responders, which the cluster must end as well.
      responders=$(pgrep -P "$pid")
      kill -9 "$pid"
      killed=$(date +%s%3N)
      for _ in $(seq 1 20); do
        grep -q 'front-end-2 is DOWN' "$haproxy_log" && break
        sleep 0.1
      done
      down_at=$(date +%s%3N)
      grep -q 'front-end-2 is DOWN' "$haproxy_log" || fail "front end 2 not down 2 s after its kill"
      echo "front end 2 down after $((down_at - killed)) ms"
      return
    fi
  done
  fail "no lighttpd of front end 2 (port $port)"
}
down_at=0
responders=""
under_load killed kill_front_end_2
check_load killed '000|502|503|504' "$down_at"

# Fault 2: PostgreSQL stops and starts again on its port. Meanwhile the
# front end answers 503, and from its return on every request succeeds.
# shellcheck disable=SC2317  # run by under_load
stop_store() {
  postgres_cluster_pause "$postgres_dir" || fail "PostgreSQL did not stop"
  sleep 2
  grep -q ' 503' "$work/stopped".* || fail "no 503 while PostgreSQL was stopped"
  postgres_cluster_resume "$postgres_dir" "$postgres_port" || fail "PostgreSQL did not start again"
  back_at=$(date +%s%3N)
}
back_at=0
under_load stopped stop_store
check_load stopped 503 "$back_at"
grep -q 'ended by itself; 1 left' "$work/cluster.out" || fail "pad-cluster did not say front end 2 ended"

# Stopped, the cluster leaves nothing running.
for pid in "${pids[@]}"; do kill "$pid" && wait "$pid"; done 2>/dev/null
pids=()
kill "$cluster_pid"
for _ in $(seq 1 300); do
  kill -0 "$cluster_pid" 2>/dev/null || break
  sleep 0.1
done
cluster_pid=""
left=$(pgrep -f -- "$work")
for pid in $responders; do
  ! kill -0 "$pid" 2>/dev/null || left+=" $pid"
done
[ -z "${left// /}" ] || fail "left running: $(ps -o pid=,args= -p "$(echo "$left" | tr -s ' \n' ,)")"
left=$(find "$work" -mindepth 1 -maxdepth 1 -name 'pad-*.??????')
[ -z "$left" ] || fail "scratch folders left: $left"

if [ "$status" -ne 0 ]; then
  echo "--- pad-cluster"
  cat "$work/cluster.out"
  echo "--- haproxy"
  tail -n 20 "$haproxy_log" 2>/dev/null
fi
exit "$status"
