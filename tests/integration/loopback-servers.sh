# shellcheck shell=bash
# The loopback server helpers now live with the scripts that ship; this name
# stays for the scripts that source it from here.
# shellcheck source=../../scripts/lib/loopback-servers.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/loopback-servers.sh"
