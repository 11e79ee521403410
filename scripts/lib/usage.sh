# shellcheck shell=bash
# print_usage: prints the running script's opening comment, from its second
# line to the first line that is not a comment. That comment says what the
# script does and how it is called; it is the text of every script's --help.
print_usage() {
  awk 'NR == 1 { next } !/^#/ { exit } { sub(/^# ?/, ""); print }' "${BASH_SOURCE[-1]}"
}

# answer_help ARGUMENT...: when the first argument asks for help, prints the
# usage and ends the script.
answer_help() {
  case "${1:-}" in -h | --help)
    print_usage
    exit 0
    ;;
  esac
}
