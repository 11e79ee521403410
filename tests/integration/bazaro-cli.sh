#!/bin/bash
# bazaro against the reference pad server: every subcommand, its output and
# its exit status, a server that is down, a missing local file and a pad that
# does not exist, the reasons and hints of failures, accounts over HTTPS, and
# in a pseudo-terminal (util-linux script) the progress bar, Ctrl-C and the
# password prompt. The server runs under lighttpd on a free loopback port
# with a fresh data directory; the program may run under an emulator (Wine).
#
#   bazaro-cli.sh PROGRAM CGI-DIR [EMULATOR ...]
#
# Exits 77 (skipped) when lighttpd is not installed.
set -u

program=$1
cgi_dir=$2
shift 2
emulator=("$@")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
pads=$root/examples/pads
. "$root/scripts/lib/loopback-servers.sh"
. "$root/scripts/lib/registry.sh"

if ! command -v lighttpd >/dev/null && [ ! -x /usr/sbin/lighttpd ]; then
  echo "lighttpd is not installed"
  exit 77
fi
servers_begin bazaro-cli

# Pads of a few MiB for the progress bar.
start_pad_server --data "$work/data" --cgi-bin "$cgi_dir" --max-attribute-bytes 8388608 || exit 1
address=$pad_server_address/cgi-bin/
export BAZARO_SERVER=$address
# The library's platform user directory (temporary files, no proxy file).
mkdir -p "$work/user"
registry_file_text "$work/user" >"$work/registry.reg"
export MOSAIKON_REGISTRY=$work/registry.reg

failures=0
out=""
# run EXPECTED-STATUS ARGS...: runs bazaro (line ends made plain), keeps its
# output in $out and its messages in $err, and checks the exit status.
run() {
  local expected=$1
  shift
  timeout --kill-after=5 60 "${emulator[@]}" "$program" "$@" >"$work/out" 2>"$work/err" </dev/null
  status=$?
  out=$(tr -d '\r' <"$work/out")
  err=$(tr -d '\r' <"$work/err")
  if [ "$status" -ne "$expected" ]; then
    echo "FAILED: bazaro $* exited $status, not $expected"
    echo "  stdout: $out"
    echo "  stderr: $err"
    failures=$((failures + 1))
    return 1
  fi
  return 0
}
# expect WHAT TEXT PATTERN: the text holds the extended regular expression.
expect() {
  if ! grep -q -E -- "$3" <<<"$2"; then
    echo "FAILED: $1: no match for '$3' in:"
    echo "$2" | sed 's/^/  /'
    failures=$((failures + 1))
  fi
}
same() {
  if ! cmp -s "$2" "$3"; then
    echo "FAILED: $1: $2 differs from $3"
    failures=$((failures + 1))
  fi
}

# Help and usage.
run 0 --help && expect "help" "$out" '^  list +PARENT \[--json\]'
run 0 move --help && expect "help of move" "$out" '^usage: bazaro move ID X Y'
run 1 && expect "no command" "$out" '^usage: bazaro COMMAND'
run 1 frobnicate && expect "unknown command" "$err" 'unknown command frobnicate'
run 1 move 12x 1 2 && expect "bad identifier" "$err" 'not a pad identifier: 12x'
run 1 delete 0
run 1 list --at 1

# Pads: a parent and children, listed, moved, replaced, fetched, deleted.
run 0 new-id && expect "new-id" "$out" '^[1-9][0-9]*$'
reserved=$out
run 0 upload 0 "$pads/board.pad" && board=$out
run 0 upload "$board" "$pads/note-1.pad" --at 5,6 && note=$out
run 0 register "$reserved" "$pads/note-2.pad"
run 0 list "$board"
expect "list" "$out" "^ +id +x +y +width +height$"
expect "list" "$out" "^ +$note +5 +6 +200 +120$"
run 0 list "$board" --json
expect "list --json" "$out" "\{\"id\": $note, \"x\": 5, \"y\": 6, \"width\": 200, \"height\": 120\}"
run 0 move "$note" -7 8
run 0 list "$board" && expect "moved" "$out" "^ +$note +-7 +8 "
run 0 update "$note" "$pads/photo.pad"
run 0 download "$note" "$work/photo.pad" && same "download" "$work/photo.pad" "$pads/photo.pad"
run 0 show "$work/photo.pad" && expect "show" "$out" '^pad PhotoPad at 460,40 size 320x240$'
expect "show" "$out" '^    text = "The harbour at dawn"$'
run 0 delete "$note"
if run 0 list "$board" && [ "$(wc -l <<<"$out")" -ne 1 ]; then
  echo "FAILED: the deleted pad is still listed: $out"
  failures=$((failures + 1))
fi
run 2 download "$note" "$work/gone.pad" && expect "pad gone" "$err" "$address"
expect "pad gone" "$err" "^bazaro: not found: check the identifier"
[ -e "$work/gone.pad" ] && echo "FAILED: a failed download wrote a file" && failures=$((failures + 1))

# Files, both ways, byte for byte.
head -c 100000 /dev/urandom >"$work/data.bin"
run 0 put "$work/data.bin" data.bin
run 0 get data.bin "$work/data.back" && same "get" "$work/data.back" "$work/data.bin"
run 2 get no-such-file "$work/none"

# In a pseudo-terminal (util-linux script, its screen in $work/screen, keys
# typed through a pipe): pty_start ARGS... starts bazaro there, pty_wait
# PATTERN waits up to 20 s for the screen to show PATTERN, pty_finish waits
# up to 30 s for the end and sets $status. screen prints what was shown, one
# line per carriage return; Wine's console draws with escape sequences,
# moving the cursor over blanks, which become blanks again.
pty_pid=""
lighttpd_stopped=""
pty_start() {
  rm -f "$work/keys" && mkfifo "$work/keys"
  script -qfec "$(printf '%q ' "${emulator[@]}" "$program" "$@")" /dev/null \
    <"$work/keys" >"$work/screen" 2>&1 &
  pty_pid=$!
  exec 7>"$work/keys"
}
screen() {
  sed -e 's/\x1b\[1C/ /g' -e 's/\x1b\[[0-9;?]*[A-Za-z]//g' "$work/screen" | tr '\r' '\n'
}
pty_wait() {
  for _ in $(seq 1 200); do
    screen | grep -q -E -- "$1" && return 0
    kill -0 "$pty_pid" 2>/dev/null || break
    sleep 0.1
  done
  screen | grep -q -E -- "$1" && return 0
  echo "FAILED: the terminal never showed '$1':"
  screen | sed 's/^/  /'
  failures=$((failures + 1))
  return 1
}
pty_finish() {
  for _ in $(seq 1 300); do
    kill -0 "$pty_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$pty_pid" 2>/dev/null
  wait "$pty_pid"
  status=$?
  exec 7>&-
  pty_pid=""
}
# On every way out: no program left in a terminal, no server left stopped.
pty_stop() {
  [ -z "$pty_pid" ] || kill "$pty_pid" 2>/dev/null
  [ -z "$lighttpd_stopped" ] || kill -CONT "$lighttpd_stopped" 2>/dev/null
}
trap 'pty_stop; stop_servers' EXIT

# The progress bar: on a terminal a transfer of a few MiB ends at 100%;
# without a terminal nothing of it appears.
big=$((3 * 1024 * 1024))
{
  printf 'MKPAD 1\npad 6:BigPad\nbounds 0 0 10 10\nattributes 1\n4 4:text %d:' $big
  head -c $big /dev/zero | tr '\0' x
  printf '\nchildren 0\nend\n'
} >"$work/big.pad"
run 0 upload 0 "$work/big.pad" && big_pad=$out
pty_start download "$big_pad" "$work/big.back"
pty_finish
[ "$status" -eq 0 ] || { echo "FAILED: download on a terminal exited $status"; failures=$((failures + 1)); }
expect "progress bar" "$(screen)" '^\[#{24}\] 100% +3\.0 MiB / 3\.0 MiB .*/s +0:00 left'
same "download on a terminal" "$work/big.back" "$work/big.pad"
run 0 download "$big_pad" "$work/big.plain" && [ -n "$err" ] &&
  echo "FAILED: without a terminal the download wrote to stderr: $err" && failures=$((failures + 1))

# Ctrl-C while the server holds the download (its lighttpd stopped): exit
# 130, no output file, no temporary file of the library's left behind (in
# $work/user natively; under Wine the library's directory is set below).
lighttpd_stopped=$(pgrep -P "$pad_server_pid" -x lighttpd)
kill -STOP "$lighttpd_stopped"
pty_start download "$big_pad" "$work/big.cut"
pty_wait "waiting for the server: 1 s" && printf '\003' >&7
pty_finish
kill -CONT "$lighttpd_stopped"
lighttpd_stopped=""
[ "$status" -eq 130 ] || { echo "FAILED: Ctrl-C exited $status, not 130"; failures=$((failures + 1)); }
expect "Ctrl-C" "$(screen)" "download of pad $big_pad: interrupted"
if [ -e "$work/big.cut" ] || [ -n "$(ls -A "$work/user")" ]; then
  echo "FAILED: Ctrl-C left files: $(ls "$work/big.cut" "$work/user" 2>&1)"
  failures=$((failures + 1))
fi

# Local files that cannot be read or written.
run 3 put "$work/missing.bin" x && expect "missing file" "$err" "$work/missing.bin"
run 3 upload 0 "$work/missing.pad"
run 3 show "$work/data.bin"
run 3 get data.bin "$work/no-such-directory/data.bin"

# A server that is down: a clear message naming it, soon.
down_port=$(free_port)
start=$(date +%s)
run 2 new-id --server "127.0.0.1:$down_port/cgi-bin/" &&
  expect "server down" "$err" "127.0.0.1:$down_port/cgi-bin/"
expect "server down" "$err" "^bazaro: cannot connect: check the address in --server"
if [ $(($(date +%s) - start)) -ge 5 ]; then
  echo "FAILED: a server that is down took 5 s or more to report"
  failures=$((failures + 1))
fi

# Over HTTPS, trusting the server's private authority through --cacert or
# the user's bazaro/ca.pem; without either, and against a server that does
# not speak TLS, the request fails and says why.
plain=$address
start_pad_server --data "$work/data-tls" --cgi-bin "$cgi_dir" --tls-self-signed || exit 1
tls=https://localhost:${pad_server_address##*:}/cgi-bin/
ca=$work/data-tls/tls/ca.pem
run 0 upload 0 "$pads/board.pad" --server "$tls" --cacert "$ca" && tls_board=$out
run 0 put "$work/data.bin" data.bin --server "$tls" --cacert "$ca"
run 0 get data.bin "$work/data.tls" --server "$tls" --cacert "$ca" &&
  same "get over HTTPS" "$work/data.tls" "$work/data.bin"
run 2 new-id --server "$tls" && expect "untrusted" "$err" "certificate is not trusted"
expect "untrusted" "$err" "^bazaro: untrusted certificate: .*--cacert"
run 3 new-id --server "$tls" --cacert "$work/no-such.pem"
# Under Wine the platform user directory is a value in Wine's registry,
# which no other test uses while this one runs; it goes on every way out.
wine_user_directory() {
  [ ${#emulator[@]} -gt 0 ] || return 0
  local key='HKLM\SOFTWARE\Veltrane\Mosaikon\4.1\INI\Mosaikon'
  if [ "$1" = set ]; then
    "${emulator[@]}" reg add "$key" /v MKUSRDIR /d "Z:${work//\//\\}\\user" /f
  else
    "${emulator[@]}" reg delete "$key" /v MKUSRDIR /f
  fi >/dev/null 2>&1
}
trap 'wine_user_directory unset; pty_stop; stop_servers' EXIT
wine_user_directory set
mkdir -p "$work/user/bazaro" && cp "$ca" "$work/user/bazaro/ca.pem"
run 0 download "$tls_board" "$work/board.tls" --server "$tls" &&
  same "download over HTTPS" "$work/board.tls" "$pads/board.pad"
run 2 new-id --server "https://$plain" && expect "not TLS" "$err" "does not speak TLS"
rm -r "$work/user/bazaro"
wine_user_directory unset

# Accounts over HTTPS: credentials from --user, asked on the terminal, or
# from a netrc file; a user may not delete another's pad.
printf 'alice-secret\n' | "$root/scripts/pad-user" "$work/users" alice >/dev/null &&
  printf 'bob-secret\n' | "$root/scripts/pad-user" "$work/users" bob >/dev/null || exit 1
share_with_pad_server "$work/users"
start_pad_server --data "$work/data-users" --cgi-bin "$cgi_dir" --tls-self-signed \
  --users "$work/users" || exit 1
accounts=(--server "https://localhost:${pad_server_address##*:}/cgi-bin/"
  --cacert "$work/data-users/tls/ca.pem")
run 0 upload 0 "$pads/board.pad" "${accounts[@]}" --user alice:alice-secret && alice_pad=$out
run 2 new-id "${accounts[@]}" --user alice:wrong &&
  expect "wrong password" "$err" "^bazaro: not authorized: check --user or the netrc file"
run 2 delete "${alice_pad:-1}" "${accounts[@]}" --user bob:bob-secret &&
  expect "another's pad" "$err" "^bazaro: forbidden: "
run 1 new-id "${accounts[@]}" --user alice && expect "no terminal" "$err" "no password"
printf 'machine localhost login bob password bob-secret\n' >"$work/netrc"
run 0 new-id "${accounts[@]}" --netrc-file "$work/netrc"
printf 'machine localhost login bob password wrong\n' >"$work/netrc"
run 2 new-id "${accounts[@]}" --netrc-file "$work/netrc" &&
  expect "wrong netrc password" "$err" "^bazaro: not authorized"
pty_start new-id "${accounts[@]}" --user alice
pty_wait "Password for alice: " && printf 'alice-secret\r' >&7
pty_finish
[ "$status" -eq 0 ] || { echo "FAILED: --user with the password typed exited $status"; failures=$((failures + 1)); }
screen | grep -q alice-secret && echo "FAILED: the typed password was shown" &&
  failures=$((failures + 1))

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "every check passed"
