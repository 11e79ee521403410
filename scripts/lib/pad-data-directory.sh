# shellcheck shell=bash
# The pad server's data directory, checked before lighttpd's programs write
# into it: it must be its user's own and closed to everybody else, and the
# folders the server serves or writes must be real folders in it, not links
# that lead the programs' writes or lighttpd's reads somewhere else.
#
#   prepare_data_directory DIR [UID]
#
# Makes DIR (its missing parents as usual) with misc/, pads/ and log/ when missing, and makes it
# private (0700). Refuses, with a message on standard error and status 1, a
# DIR that belongs to someone other than the caller or UID (the account the
# server runs as), that its group or others may write, or whose misc, pads,
# log, tls or pads.db is a symbolic link. The keys in tls/ are the caller's
# alone (the server's account never reads them): a tls/ that someone else
# owns is refused too.
prepare_data_directory() {
  local dir=$1 account=${2:-} owner mode name
  if [ ! -d "$dir" ]; then
    mkdir -p "$(dirname "$dir")" && mkdir -m 0700 "$dir" || return 1
  fi
  owner=$(stat -c %u "$dir") || return 1
  if [ "$owner" != "$(id -u)" ] && [ "$owner" != "$account" ]; then
    echo "pad-server: $dir belongs to another user ($(stat -c %U "$dir"))" >&2
    return 1
  fi
  mode=$(stat -c %a "$dir") || return 1
  if (((8#$mode & 8#022) != 0)); then
    echo "pad-server: $dir may be written by its group or others (mode $mode)" >&2
    return 1
  fi
  for name in misc pads log tls pads.db; do
    if [ -L "$dir/$name" ]; then
      echo "pad-server: $dir/$name is a symbolic link" >&2
      return 1
    fi
  done
  if [ -e "$dir/tls" ] && [ "$(stat -c %u "$dir/tls")" != "$(id -u)" ]; then
    echo "pad-server: $dir/tls belongs to another user ($(stat -c %U "$dir/tls"))" >&2
    return 1
  fi
  chmod 0700 "$dir" && mkdir -p "$dir/misc" "$dir/pads" "$dir/log"
}
