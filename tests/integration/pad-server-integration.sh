#!/bin/bash
# The project's PadServer operations against the reference pad server:
# scripts/pad-server runs it under lighttpd on a free loopback port with a
# fresh data directory, tinyproxy runs on another, and the test program gets
# both addresses. Afterwards no temporary file may be left in the data
# directory, nothing on the programs' standard error (where a sanitizer
# reports), and the proxy must have carried requests of every kind. The
# program then runs once more against a server with --tls-self-signed, over
# HTTPS (through the proxy, in tunnels).
#
#   pad-server-integration.sh [--cgi | --store] PROGRAM CGI-DIR [EMULATOR ...]
#   pad-server-integration.sh --https CGI-DIR
#
# With --cgi the server runs its programs as CGI rather than FastCGI, and
# the HTTPS run is left out. With --store it keeps pads and files in a
# private PostgreSQL cluster (scripts/lib/postgres-cluster.sh), stopped on
# every way out; the data directory must then hold no pad or misc file, and
# the HTTPS run is left out too.
# With --https the server serves HTTPS with its private authority and asks
# for a user, and curl, through the proxy, makes the requests the program
# makes (the client does not log in yet): the same commands give back
# what they stored and the same transfers carry files whole.
#
# Exits 77 (skipped) when lighttpd or tinyproxy is not installed. Every
# server is stopped and the temporary directory removed on every way out.
set -u

server_options=()
with_store=0
if [ "$1" = --cgi ]; then
  server_options=(--cgi)
  shift
elif [ "$1" = --store ]; then
  with_store=1
  shift
fi
program=$1
cgi_dir=$2
shift 2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=scripts/lib/loopback-servers.sh
. "$root/scripts/lib/loopback-servers.sh"
# shellcheck source=tests/integration/pad-requests.sh
. "$here/pad-requests.sh"

tinyproxy=$(tinyproxy_program)
if ! command -v lighttpd >/dev/null && [ ! -x /usr/sbin/lighttpd ] || [ -z "$tinyproxy" ]; then
  echo "lighttpd or tinyproxy is not installed"
  exit 77
fi

servers_begin pad-server-integration
data=$work/data
if [ $with_store -eq 1 ]; then
  # shellcheck source=scripts/lib/postgres-cluster.sh
  . "$root/scripts/lib/postgres-cluster.sh"
  trap 'stop_servers; postgres_cluster_stop' EXIT
  postgres_cluster_start || exit 1
  server_options=(--store "$postgres_cluster_uri")
fi
# The server's body limit, which the test program knows as well.
max_body=8388608

# expect WHAT GOT WANTED: WANTED is a pattern GOT must match.
expect() {
  # shellcheck disable=SC2053  # a pattern on purpose
  if [[ $2 != $3 ]]; then
    echo "FAILED: $1: $2"
    status=1
  fi
}

# The pass over HTTPS, with curl.
https_pass() {
  local parent a b
  printf 'integration secret\n' | "$root/scripts/pad-user" "$work/users" tester >/dev/null ||
    return 1
  share_with_pad_server "$work/users"
  start_pad_server --data "$data" --cgi-bin "$cgi_dir" --max-body $max_body \
    --users "$work/users" --tls-self-signed || return 1
  start_tinyproxy "$tinyproxy" || return 1
  base=https://$pad_server_address
  curl_options=(--cacert "$data/tls/ca.pem" -u 'tester:integration secret'
    --proxy "http://127.0.0.1:$proxy_port")
  status=0

  parent=$(pad_command GetNewPadID)
  a=$(pad_command GetNewPadID)
  b=$(pad_command GetNewPadID)
  parent=${parent#200 } a=${a#200 } b=${b#200 }
  expect "new pads" "$parent $a $b" "$parent $((parent + 1)) $((parent + 2))"
  expect "SetPadInfo" "$(pad_command "SetPadInfo $a $parent 10 -20 tester staff width=100 \
name=\"Blue pad, big\"")" "200 "
  expect "SetPadInfo" "$(pad_command "SetPadInfo $b $parent 1 2 tester staff width=3")" "200 "
  expect "GetPadInfo" "$(pad_command "GetPadInfo $a")" \
    "200 id=$parent x=10 y=-20 * width=100 name=\"Blue pad, big\""
  expect "GetChildPads" "$(pad_command "GetChildPads $parent")" "200 id=$a ,id=$b"

  head -c 300000 /dev/urandom >"$work/pad"
  expect "pad upload" "$(upload pad-gzput-cgi "$a.pad" "$work/pad")" "200 "
  printf '/pads/%s.pad' "$a" >"$work/body"
  curl -s --max-time 20 "${curl_options[@]}" -o "$work/got" --data-binary "@$work/body" \
    "$base/cgi-bin/pad-gzget-cgi"
  cmp -s "$work/got" "$work/pad" || expect "pad download" "other bytes" "the pad file"
  { printf 'notes for everyone\n' && head -c 5000 /dev/urandom; } >"$work/notes"
  expect "file upload" "$(upload pad-upload-cgi notes-1.txt "$work/notes")" "200 "
  curl -s --max-time 20 "${curl_options[@]}" -o "$work/got" "$base/misc/notes-1.txt"
  cmp -s "$work/got" "$work/notes" || expect "file fetch" "other bytes" "the file"

  expect "DeletePad" "$(pad_command "DeletePad $parent")" "200 "
  expect "a deleted pad" "$(pad_command "GetPadInfo $b")" "404 *"
}

data_dirs=("$data")
if [ "$program" = --https ]; then
  https_pass || exit 1
  # Through the proxy, HTTPS is a tunnel per connection.
  carried=("CONNECT 127.0.0.1:${pad_server_address#*:}")
else
  start_pad_server --data "$data" --cgi-bin "$cgi_dir" --max-body $max_body \
    "${server_options[@]}" || exit 1
  start_tinyproxy "$tinyproxy" || exit 1
  BAZARO_TEST_PAD_SERVER=$pad_server_address BAZARO_TEST_PROXY_PORT=$proxy_port \
    timeout --kill-after=5 240 "$@" "$program"
  status=$?
  carried=()
  for cgi in pad-cgi pad-gzput-cgi pad-gzget-cgi pad-upload-cgi; do
    carried+=("/cgi-bin/$cgi HTTP")
  done
fi
# The same program once more over HTTPS, with the server's private authority,
# by the name its certificate carries; through the proxy every connection is
# a tunnel. TLS is lighttpd's alone, so the CGI run leaves it out.
if [ "$program" != --https ] && [ ${#server_options[@]} -eq 0 ]; then
  stop_pad_server
  start_pad_server --data "$data-tls" --cgi-bin "$cgi_dir" --max-body $max_body \
    --tls-self-signed || exit 1
  BAZARO_TEST_PAD_SERVER=localhost:${pad_server_address##*:} BAZARO_TEST_PROXY_PORT=$proxy_port \
    BAZARO_TEST_CA_FILE=$data-tls/tls/ca.pem timeout --kill-after=5 240 "$@" "$program" ||
    status=1
  carried+=("CONNECT localhost:${pad_server_address##*:}")
  data_dirs+=("$data-tls")
fi

leftovers=$(for d in "${data_dirs[@]}"; do find "$d/pads" "$d/misc" -name '.*' -type f; done)
if [ -n "$leftovers" ]; then
  echo "temporary files left behind:"
  echo "$leftovers"
  status=1
fi
if [ $with_store -eq 1 ] && [ -n "$(find "$data/pads" "$data/misc" -type f)" ]; then
  echo "files in the data directory rather than the store:"
  find "$data/pads" "$data/misc" -type f
  status=1
fi
for d in "${data_dirs[@]}"; do
  if [ -s "$d/log/cgi-error.log" ]; then
    echo "--- the programs' standard error"
    cat "$d/log/cgi-error.log"
    status=1
  fi
done
for request in "${carried[@]}"; do
  if ! grep -qF "$request" "$work/tinyproxy.log"; then
    echo "no $request request went through the proxy"
    status=1
  fi
done
if [ "$status" -ne 0 ]; then
  echo "--- lighttpd errors"
  for d in "${data_dirs[@]}"; do cat "$d/log/lighttpd-error.log" 2>/dev/null; done
  echo "--- tinyproxy log"
  tail -n 40 "$work/tinyproxy.log" 2>/dev/null
fi
exit "$status"
