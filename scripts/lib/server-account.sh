# shellcheck shell=bash
# The unprivileged account a server started by root runs as (lighttpd's
# server.username): lighttpd binds its port and reads its keys as root, then
# becomes this account, so that a fault in it or in its programs reaches the
# files the account owns and nothing else.
#
#   use_server_account NAME       sets server_account, server_account_uid
#                                 and server_account_group; refuses (message,
#                                 status 1) a name that is no account, or root
#   as_server_account COMMAND...  runs COMMAND as that account, with its
#                                 groups (to try what it may do)
#   give_to_server_account DIR [KEEP]
#                                 makes the account the owner of DIR and of
#                                 everything in it but the folder DIR/KEEP;
#                                 symbolic links are changed, never followed

use_server_account() {
  if ! [[ $1 =~ ^[a-z_][a-z0-9_-]*[$]?$ ]] || ! server_account_uid=$(id -u "$1" 2>/dev/null); then
    echo "pad-server: there is no account $1 to run the server as" >&2
    return 1
  fi
  if [ "$server_account_uid" -eq 0 ]; then
    echo "pad-server: the server runs as an account without root's rights, not as $1" >&2
    return 1
  fi
  server_account=$1
  server_account_group=$(id -gn "$1")
}

as_server_account() {
  setpriv --reuid="$server_account" --regid="$server_account_group" --init-groups -- "$@"
}

give_to_server_account() {
  local keep=()
  [ -z "${2:-}" ] || keep=(-path "$1/$2" -prune -o)
  find "$1" "${keep[@]}" -exec chown -h "$server_account:$server_account_group" {} +
}
