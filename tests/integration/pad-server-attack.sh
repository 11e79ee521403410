#!/bin/bash
# The reference pad server under lighttpd against hostile requests: URLs that
# try to leave the served directories (plain, encoded and doubled), bodies
# over the limit and bodies cut short, and sixteen writers at once to one pad
# and to one file name. Afterwards nothing may lie outside the data directory
# or half written inside it, and every stored pad and file must be exactly
# what one writer sent, and programs killed under the server are started
# again. Then the launcher's own defences: HTTPS with its private authority,
# accounts with their owners, and stalled bodies.
#
#   pad-server-attack.sh CGI-DIR
#
# Exits 77 (skipped) when lighttpd is not installed.
set -u

cgi_dir=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=scripts/lib/loopback-servers.sh
. "$root/scripts/lib/loopback-servers.sh"
# shellcheck source=tests/integration/pad-requests.sh
. "$here/pad-requests.sh"

if ! command -v lighttpd >/dev/null && [ ! -x /usr/sbin/lighttpd ]; then
  echo "lighttpd is not installed"
  exit 77
fi

servers_begin pad-server-attack
data=$work/data
max_body=65536
# The limit is given with a leading zero, which must not make it octal.
start_pad_server --data "$data" --cgi-bin "$cgi_dir" --max-body "0$max_body" || exit 1
base=http://$pad_server_address
curl_options=()
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# A command for requests made by hand.
printf 'GetNewPadID\n\377' >"$work/command"

pad=$(pad_command GetNewPadID)
pad=${pad#200 }
printf 'pad file' >"$work/pad"
printf 'shared notes' >"$work/notes"
[ "$(upload pad-gzput-cgi "$pad.pad" "$work/pad")" = "200 " ] || fail "pad file not stored"
[ "$(upload pad-upload-cgi notes.txt "$work/notes")" = "200 " ] || fail "notes not stored"

# --- Reading outside the served directories -------------------------------
# The web server serves only misc/NAME and runs only the four programs. The
# database, the logs, the pad files and the server's own new files are out of
# reach however the path is written, and through a link put into misc/; each
# answer is a refusal and carries none of the database's bytes.
ln -s ../pads.db "$data/misc/db-link"
while read -r path; do
  status=$(curl -s --path-as-is --max-time 20 -o "$work/got" -w '%{http_code}' "$base$path")
  case "$status" in
    400 | 403 | 404) ;;
    *) fail "GET $path answered $status" ;;
  esac
  if grep -q 'SQLite format' "$work/got"; then fail "GET $path gave out the database"; fi
done <<'PATHS'
/pads.db
/misc/../pads.db
/misc/%2e%2e/pads.db
/misc/%2E%2E/pads.db
/misc/..%2fpads.db
/misc/..%2Fpads.db
/misc/%2e%2e%2fpads.db
/misc/..%5cpads.db
/misc/%252e%252e/pads.db
/misc//../pads.db
/misc/./../pads.db
/misc/..;/pads.db
/misc/%00/../pads.db
/misc/notes.txt%00
/misc/%0a..%0a/pads.db
/misc/%ff%fe
/cgi-bin/../pads.db
/cgi-bin/%2e%2e/pads.db
/cgi-bin/pad-cgi/../../pads.db
/pads/1.pad
/misc/../pads/1.pad
/misc/../log/lighttpd-error.log
/log/lighttpd-error.log
/misc/.new.1.1
/misc/%2enew.1.1
/misc/
/cgi-bin/
/misc/../../../../../../etc/passwd
/misc/..%2f..%2f..%2f..%2fetc%2fpasswd
/misc/db-link
PATHS
rm "$data/misc/db-link"
status=$(curl -s --max-time 20 -o "$work/got" -w '%{http_code}' "$base/misc/notes.txt")
[ "$status $(cat "$work/got")" = "200 shared notes" ] || fail "the stored file is not served"

# --- What a browser could be made to do -----------------------------------
# A stored file goes out as a download whose type the browser may not guess.
# A request another site's page makes a browser send (it carries Origin) is
# refused, for the files as for the programs.
headers=$(curl -s --max-time 20 -D - -o /dev/null "$base/misc/notes.txt" | tr -d '\r')
for header in 'X-Content-Type-Options: nosniff' 'Content-Disposition: attachment'; do
  grep -qixF "$header" <<<"$headers" || fail "/misc/ answers without $header"
done
# cross_origin URL [CURL-OPTION...]: the status of a request with Origin.
cross_origin() {
  curl -s --max-time 20 -o /dev/null -w '%{http_code}' -H 'Origin: https://elsewhere.example' \
    "${@:2}" "$1"
}
[ "$(cross_origin "$base/misc/notes.txt")" = 403 ] || fail "a cross-origin fetch was answered"
[ "$(cross_origin "$base/cgi-bin/pad-cgi" --data-binary "@$work/command")" = 403 ] ||
  fail "a cross-origin command was answered"
# A name someone else's DNS points here is not this server's.
status=$(curl -s --max-time 20 -o /dev/null -w '%{http_code}' -H 'Host: elsewhere.example' \
  --data-binary "@$work/command" "$base/cgi-bin/pad-cgi")
[ "$status" = 400 ] || fail "a command for another host answered $status"

# --- Names the programs read, through the web server ----------------------
# The programs' own tests try every form; here a few go the whole way, to
# show that nothing between the client and the program undoes the check.
while IFS='|' read -r program name; do
  answer=$(upload "$program" "$name" "$work/notes")
  [ "${answer%% *}" = 400 ] || fail "$program took the name $name: $answer"
done <<NAMES
pad-upload-cgi|../escape.txt
pad-upload-cgi|../../escape.txt
pad-upload-cgi|$work/escape.txt
pad-upload-cgi|..\escape.txt
pad-upload-cgi|%2e%2e%2fescape.txt
pad-upload-cgi|.new.1.1
pad-gzput-cgi|../1.pad
pad-gzput-cgi|/1.pad
pad-gzput-cgi|%31.pad
pad-gzput-cgi|1.pad/../../escape
pad-gzput-cgi|$work/escape
NAMES
printf '/pads/../pads.db' >"$work/body"
[ "$(post pad-gzget-cgi "$work/body" | cut -d' ' -f1)" = 400 ] || fail "gzget read pads.db"

# --- Bodies over the limit and bodies cut short ---------------------------
# A body of exactly the limit, the name's line included, is taken.
prefix=$'FILE_NAME = shared.bin\n'
head -c $((max_body - ${#prefix})) /dev/zero >"$work/edge"
[ "$(upload pad-upload-cgi shared.bin "$work/edge")" = "200 " ] || fail "a body at the limit was refused"
head -c $((max_body + 1)) /dev/zero | tr '\0' 'b' >"$work/big"
answer=$(upload pad-upload-cgi notes.txt "$work/big")
[ "${answer%% *}" = 413 ] || fail "a body over the limit was taken: ${answer%% *}"
answer=$(upload pad-gzput-cgi "$pad.pad" "$work/big")
[ "${answer%% *}" = 413 ] || fail "a pad file over the limit was taken: ${answer%% *}"
# A request whose client goes away after part of its announced body.
for target in "pad-upload-cgi|notes.txt" "pad-gzput-cgi|$pad.pad"; do
  exec 3<>"/dev/tcp/${pad_server_address%:*}/${pad_server_address#*:}"
  printf 'POST /cgi-bin/%s HTTP/1.0\r\nContent-Length: 40000\r\n\r\nFILE_NAME = %s\ncut' \
    "${target%|*}" "${target#*|}" >&3
  exec 3>&-
done

# --- A pad deleted while its file is on the way -------------------------
# The upload, slowed down, has passed its check that the pad exists when the
# pad goes; it must not leave a file for a pad that is no more, nor report
# success.
doomed=$(pad_command GetNewPadID)
doomed=${doomed#200 }
{ printf 'FILE_NAME = %s.pad\n' "$doomed"; head -c 30000 /dev/urandom; } >"$work/slow"
curl -s --max-time 20 --limit-rate 20k -o "$work/slow.out" -w '%{http_code}' \
  --data-binary "@$work/slow" "$base/cgi-bin/pad-gzput-cgi" >"$work/slow.status" &
slow=$!
sleep 0.5
[ "$(pad_command "DeletePad $doomed")" = "200 " ] || fail "the pad was not deleted"
wait $slow
[ "$(cat "$work/slow.status")" = 404 ] || fail "the late upload answered $(cat "$work/slow.status")"
[ ! -e "$data/pads/$doomed.pad" ] || fail "a deleted pad's file came back"

# --- Sixteen writers at once ----------------------------------------------
# Each writer places the pad and stores its file, five times over, and sends
# a file under one shared name. Every request must succeed, and what stays
# must be one writer's whole: the position and size of one command, the pad
# file and the shared file of one upload.
writer() {
  local w=$1 round value
  for round in 1 2 3 4 5; do
    value=$((w * 100 + round))
    head -c 20000 /dev/urandom >"$work/content.$w.$round"
    answer=$(pad_command "SetPadInfo $pad 0 $value $value a b width=$value height=$value ")
    [ "$answer" = "200 " ] ||
      echo "writer $w: SetPadInfo answered $answer" >>"$work/writer-failures"
    [ "$(upload pad-gzput-cgi "$pad.pad" "$work/content.$w.$round")" = "200 " ] ||
      echo "writer $w: pad file not stored" >>"$work/writer-failures"
    [ "$(upload pad-upload-cgi shared.bin "$work/content.$w.$round")" = "200 " ] ||
      echo "writer $w: shared file not stored" >>"$work/writer-failures"
  done
}
writers=()
for w in $(seq 1 16); do
  writer "$w" &
  writers+=($!)
done
wait "${writers[@]}"
if [ -s "$work/writer-failures" ]; then fail "$(cat "$work/writer-failures")"; fi

# one_of FILE: whether FILE equals one writer's content.
one_of() {
  local content
  for content in "$work"/content.*; do
    cmp -s "$1" "$content" && return 0
  done
  return 1
}
printf '/pads/%s.pad' "$pad" >"$work/body"
curl -s --max-time 20 -o "$work/got" --data-binary "@$work/body" "$base/cgi-bin/pad-gzget-cgi"
one_of "$work/got" || fail "the pad file is no writer's whole file"
curl -s --max-time 20 -o "$work/got" "$base/misc/shared.bin"
one_of "$work/got" || fail "the shared file is no writer's whole file"
info=$(pad_command "GetPadInfo $pad")
if ! [[ $info =~ ^200\ id=0\ x=([0-9]+)\ y=([0-9]+)\ .*width=([0-9]+)\ height=([0-9]+)$ ]] ||
  [ "${BASH_REMATCH[1]}${BASH_REMATCH[2]}${BASH_REMATCH[3]}" != \
    "${BASH_REMATCH[4]}${BASH_REMATCH[4]}${BASH_REMATCH[4]}" ]; then
  fail "the pad's record mixes writers: $info"
fi

# --- Responders that die ----------------------------------------------------
# lighttpd starts each program's FastCGI processes once; when they die (here
# every pad-cgi, killed outright) it starts new ones, and the next requests
# are answered.
lighttpd_pid=$(pgrep -P "$pad_server_pid" -x lighttpd)
killed=$(pgrep -P "$lighttpd_pid" -x pad-cgi | sort)
if [ -z "$killed" ]; then
  fail "no pad-cgi runs under lighttpd"
else
  # shellcheck disable=SC2086  # one process id a word
  kill -9 $killed
  for round in 1 2 3; do
    answer=$(pad_command "GetPadInfo $pad")
    [ "${answer%% *}" = 200 ] || fail "request $round after pad-cgi died answered $answer"
  done
  [ -n "$(comm -13 <(echo "$killed") <(pgrep -P "$lighttpd_pid" -x pad-cgi | sort))" ] ||
    fail "no new pad-cgi was started"
fi

# --- What the data directory holds afterwards -----------------------------
# The cut requests end their programs; give them a moment to go.
for _ in $(seq 1 50); do
  [ -z "$(find "$data" -name '.new.*')" ] && break
  sleep 0.1
done
# The store's journal files come and go with its connections.
listing=$(cd "$data" && find . -path ./log -prune -o ! -name 'pads.db-*' -print | sort | tr '\n' ' ')
expected=". ./misc ./misc/notes.txt ./misc/shared.bin ./pads ./pads.db ./pads/$pad.pad "
[ "$listing" = "$expected" ] || fail "the data directory holds: $listing"
escaped=$(find "$work" -name 'escape*')
[ -z "$escaped" ] || fail "files escaped the data directory: $escaped"
[ "$(cat "$data/misc/notes.txt")" = "shared notes" ] || fail "refused requests changed notes.txt"
if [ -s "$data/log/cgi-error.log" ]; then fail "the programs wrote: $(cat "$data/log/cgi-error.log")"; fi
# It is private to the account the server runs as (www-data when started by
# root), which made every file in it.
owner=$(id -un)
[ "$(id -u)" -ne 0 ] || owner=www-data
[ "$(stat -c '%a %U' "$data")" = "700 $owner" ] || fail "the data directory is not $owner's alone"
others=$(find "$data" ! -user "$owner")
[ -z "$others" ] || fail "files in the data directory belong to others: $others"

# --- HTTPS with the private authority -------------------------------------
# Made on the first start and kept on the next, so that clients which trust
# it go on working. A client that trusts it reaches the server by either name
# its certificate holds; plain HTTP, a client that does not trust it and TLS
# below 1.2 are refused (the old versions offered at the client's lowest
# security level, so that only the server can refuse them).
stop_pad_server

# --- Leftovers cleared at the next start ----------------------------------
# A program killed outright leaves its new file; a failed removal, a pad file
# without its pad. Both go when the server starts again; a new file of the
# last hour may still be written and stays.
printf 'orphan' >"$data/pads/99999.pad"
printf 'stale' >"$data/misc/.new.1.1"
printf 'fresh' >"$data/misc/.new.1.2"
touch -d '2 hours ago' "$data/misc/.new.1.1"
start_pad_server --data "$data" --cgi-bin "$cgi_dir" || exit 1
left=$(cd "$data" && ls -A pads misc | tr '\n' ' ')
[ "$left" = "misc: .new.1.2 notes.txt shared.bin  pads: $pad.pad " ] ||
  fail "the start left or removed the wrong files: $left"
stop_pad_server
tls=$work/tls-data/tls
start_pad_server --data "$work/tls-data" --cgi-bin "$cgi_dir" --tls-self-signed || exit 1
[ "$pad_server_scheme" = https ] || fail "the TLS server gave no https:// address"
cp "$tls/ca.pem" "$work/first-ca.pem"
curl_options=(--cacert "$tls/ca.pem")
for base in "https://$pad_server_address" "https://localhost:${pad_server_address#*:}"; do
  [ "$(pad_command GetNewPadID | cut -d' ' -f1)" = 200 ] || fail "no answer through $base"
done
# tls_refused WHAT URL CURL-OPTION...: a command sent so must not be answered.
tls_refused() {
  if curl -sf --max-time 20 -o /dev/null --data-binary "@$work/command" "${@:3}" "$2"; then
    fail "$1 was answered"
  fi
}
url=$pad_server_address/cgi-bin/pad-cgi
tls_refused "plain HTTP" "http://$url"
tls_refused "a client without the authority" "https://$url"
tls_refused "TLS 1.1" "https://$url" --cacert "$tls/ca.pem" --tls-max 1.1 --ciphers DEFAULT:@SECLEVEL=0
modes=$(stat -c '%a %U' "$tls" "$tls/ca.key" "$tls/server.key" | tr '\n' ' ')
me=$(id -un)
[ "$modes" = "700 $me 600 $me 600 $me " ] ||
  fail "the TLS folder and keys are open to others: $modes"
stop_pad_server
start_pad_server --data "$work/tls-data" --cgi-bin "$cgi_dir" --tls-self-signed || exit 1
cmp -s "$tls/ca.pem" "$work/first-ca.pem" || fail "the authority was made again"
stop_pad_server
start_pad_server --data "$work/tls-given" --cgi-bin "$cgi_dir" \
  --tls-cert "$tls/server.pem" --tls-key "$tls/server.key" || exit 1
base=https://$pad_server_address
[ "$(pad_command GetNewPadID | cut -d' ' -f1)" = 200 ] || fail "no answer with a given certificate"
stop_pad_server

# --- Accounts ---------------------------------------------------------------
# pad-user keeps salted hashes only, in a file for its owner alone, and
# refuses names that would break the file's lines. With accounts every
# request needs a user and the right password; a changed password counts at
# once and the other users keep theirs.
users=$work/users
printf 'first secret\n' | "$root/scripts/pad-user" "$users" alice >/dev/null || fail "alice not added"
printf 'other\n' | "$root/scripts/pad-user" "$users" bob >/dev/null || fail "bob not added"
cp "$users" "$work/users.before"
for name in 'a:b' $'a\nb' $'a\tb' ''; do
  if printf 'p\n' | "$root/scripts/pad-user" "$users" "$name" 2>/dev/null; then
    fail "pad-user took the name ${name@Q}"
  fi
done
cmp -s "$users" "$work/users.before" || fail "refused names changed the accounts file"
if grep -q -e 'first secret' -e other "$users"; then fail "the accounts file holds a password"; fi
[ "$(stat -c %a "$users")" = 600 ] || fail "the accounts file is open to others"
share_with_pad_server "$users"
start_pad_server --data "$work/users-data" --cgi-bin "$cgi_dir" --users "$users" \
  --body-timeout 1 --max-attributes 2 || exit 1
base=http://$pad_server_address
# signed_in CURL-OPTION...: the status of a command and of a /misc/ fetch.
signed_in() {
  echo "$(curl -s --max-time 20 -o /dev/null -w '%{http_code}' --data-binary "@$work/command" \
    "$@" "$base/cgi-bin/pad-cgi")" \
    "$(curl -s --max-time 20 -o /dev/null -w '%{http_code}' "$@" "$base/misc/missing")"
}
[ "$(signed_in)" = "401 401" ] || fail "a request without a user was answered"
[ "$(signed_in -u 'alice:wrong')" = "401 401" ] || fail "a wrong password was taken"
[ "$(signed_in -u 'carol:first secret')" = "401 401" ] || fail "an unknown user was taken"
[ "$(signed_in -u 'alice:first secret')" = "200 404" ] || fail "alice was refused"
printf 'second secret\n' | "$root/scripts/pad-user" "$users" alice >/dev/null || fail "not changed"
[ "$(signed_in -u 'alice:first secret')" = "401 401" ] || fail "alice's old password was taken"
[ "$(signed_in -u 'alice:second secret')" = "200 404" ] || fail "alice's new password was refused"
[ "$(signed_in -u 'bob:other')" = "200 404" ] || fail "bob lost his password"
[ "$(stat -c %a "$users")" = 640 ] || [ "$(id -u)" -ne 0 ] || fail "pad-user unshared the file"
# A pad is its maker's: another user reads it but cannot delete it.
curl_options=(-u 'bob:other')
mine=$(pad_command GetNewPadID)
mine=${mine#200 }
curl_options=(-u 'alice:second secret')
[ "$(pad_command "DeletePad $mine")" = '403 error="not your pad"' ] || fail "alice deleted bob's pad"
[[ $(pad_command "GetPadInfo $mine") == *'account="bob"'* ]] || fail "bob's pad lost its owner"
# The limits given to pad-server reach the programs.
curl_options=(-u 'bob:other')
[ "$(pad_command "SetPadAttributes $mine a=1 b=2 c=3")" = '413 error="too many attributes"' ] ||
  fail "a pad took more attributes than --max-attributes"
curl_options=()
# A body that stops arriving ends its request (here after one second).
exec 3<>"/dev/tcp/${pad_server_address%:*}/${pad_server_address#*:}"
printf 'POST /cgi-bin/pad-cgi HTTP/1.0\r\nAuthorization: Basic %s\r\nContent-Length: 100\r\n\r\nGetNew' \
  "$(printf 'bob:other' | base64)" >&3
status=$(timeout 15 head -c 12 <&3)
exec 3>&-
[ "${status#* }" = 408 ] || fail "a stalled body was answered '$status'"
stop_pad_server

# refused WORDS ARGUMENT...: pad-server, given the arguments, must not start
# and must say WORDS.
refused() {
  local words=$1 status
  shift
  timeout 20 "$root/scripts/pad-server" --data "$work/refused-data" --cgi-bin "$cgi_dir" "$@" \
    >"$work/refused.out" 2>&1 </dev/null
  status=$?
  if [ $status -eq 0 ] || [ $status -eq 124 ] || ! grep -qF -- "$words" "$work/refused.out"; then
    fail "pad-server $* was not refused with '$words': $(cat "$work/refused.out")"
  fi
}

# --- Off loopback -----------------------------------------------------------
# Anyone who reaches a port off loopback could read and change every pad: it
# takes accounts and TLS, or --open, and accounts never go without TLS there.
refused "not a loopback address" --bind 0.0.0.0
refused "not a loopback address" --bind 0.0.0.0 --tls-self-signed
refused "in the clear" --bind 0.0.0.0 --users "$users"
refused "in the clear" --bind 0.0.0.0 --users "$users" --open
# The machine's own address, where it has one, with both ways to be let on.
address=$(hostname -I 2>/dev/null | tr ' ' '\n' | grep -m1 -E '^[0-9.]+$')
if [ -n "$address" ]; then
  start_pad_server --data "$work/open-data" --cgi-bin "$cgi_dir" --bind "$address" --open ||
    exit 1
  status=$(curl -s --max-time 20 -o /dev/null -w '%{http_code}' "http://$pad_server_address/misc/x")
  [ "$status" = 404 ] || fail "--open on $address answered $status"
  stop_pad_server
  start_pad_server --data "$work/tls-data" --cgi-bin "$cgi_dir" --bind "$address" \
    --users "$users" --tls-self-signed || exit 1
  port=${pad_server_address#*:}
  status=$(curl -s --max-time 20 -o /dev/null -w '%{http_code}' --cacert "$tls/ca.pem" \
    --resolve "localhost:$port:$address" -u 'bob:other' "https://localhost:$port/misc/x")
  [ "$status" = 404 ] || fail "accounts and TLS on $address answered $status"
  stop_pad_server
fi

# --- The data directory and the options -------------------------------------
# A data directory that others may write or that belongs to someone else, or
# whose folders lead elsewhere, is refused before anything is written; so is
# a value that would add lines of its own to lighttpd's configuration.
mkdir -m 0777 "$work/open-dir"
refused "written by its group or others" --data "$work/open-dir"
mkdir -m 0700 "$work/linked" "$work/elsewhere"
ln -s "$work/elsewhere" "$work/linked/misc"
refused "misc is a symbolic link" --data "$work/linked"
if [ "$(id -u)" -eq 0 ]; then
  mkdir -m 0700 "$work/theirs"
  chown nobody "$work/theirs"
  refused "belongs to another user" --data "$work/theirs"
fi
injected=$'"\nserver.dir-listing = "enable"\n#'
refused "--data must not hold a quote" --data "$work/data$injected"
refused "--users must not hold a quote" --users "$users$injected"
refused "--body-timeout takes a number of seconds from 1" --body-timeout 0
# The programs write the data directory and misc/ is served: no accounts there.
cp "$users" "$work/tls-data/misc/users"
refused "out of the data directory" --data "$work/tls-data" --users "$work/tls-data/misc/users"
[ -z "$(find "$work" -name '*dir-listing*')" ] || fail "an injected path was made"

if [ $failures -ne 0 ]; then
  echo "--- lighttpd errors"
  tail -n 20 "$data/log/lighttpd-error.log" 2>/dev/null
  echo "$failures checks failed"
  exit 1
fi
echo "the pad server withstood every request"
