#!/usr/bin/env bash
# Runs the test program PROGRAM with a private PostgreSQL cluster, whose URI
# it finds in BAZARO_TEST_POSTGRES_URI; the cluster is stopped and removed on
# every way out.
#
#   with-postgres.sh PROGRAM [ARGUMENT...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=scripts/lib/postgres-cluster.sh
. "$root/scripts/lib/postgres-cluster.sh"
trap postgres_cluster_stop EXIT
trap 'exit 1' INT TERM HUP
postgres_cluster_start
status=0
BAZARO_TEST_POSTGRES_URI=$postgres_cluster_uri "$@" || status=$?
exit "$status"
