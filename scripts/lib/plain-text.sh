# shellcheck shell=bash
# plain_text VALUE [CHARACTERS]: whether VALUE holds no control character
# (newlines and tabs among them) and none of CHARACTERS, a set as tr reads
# it. Names and paths that go into files with a line structure of their own
# (lighttpd's configuration, the accounts file) are checked with it, so that
# a value cannot end its line or its quotes and add text of its own choosing.
plain_text() {
  [ "$(printf '%s' "$1" | LC_ALL=C tr -d "\\001-\\037\\177${2:-}")" = "$1" ]
}
