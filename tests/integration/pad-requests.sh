# shellcheck shell=bash disable=SC2154  # base, curl_options and work are the caller's
# Requests to the reference pad server made with curl the way the client
# makes them, for the scripts that test the server. They go to $base
# (http://HOST:PORT or https://HOST:PORT) with the options in the array
# curl_options (a trusted authority, a user, a proxy), and keep their bodies
# in $work.

# post PROGRAM FILE: the program's answer to FILE as the body, as
# "STATUS BODY" with the reply marker taken off.
post() {
  local answer
  answer=$(curl -s --max-time 20 "${curl_options[@]}" -w ' %{http_code}' --data-binary "@$2" \
    "$base/cgi-bin/$1")
  answer=${answer#PAD_SERVER_REPLY = }
  echo "${answer##* } ${answer% *}"
}

# pad_command TEXT: a pad command as the client sends it.
pad_command() {
  printf '%s\n\377' "$1" >"$work/command.$BASHPID"
  post pad-cgi "$work/command.$BASHPID"
  rm -f "$work/command.$BASHPID"
}

# upload PROGRAM NAME FILE: a transfer body, "FILE_NAME = NAME" and the file.
upload() {
  { printf 'FILE_NAME = %s\n' "$2"; cat "$3"; } >"$work/upload.$BASHPID"
  post "$1" "$work/upload.$BASHPID"
  rm -f "$work/upload.$BASHPID"
}
