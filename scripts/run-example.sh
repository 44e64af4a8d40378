#!/usr/bin/env bash
# Installs what is missing, builds, and runs intake on the example centre document in a temporary
# working folder, printing the summary. Extra arguments go to quelvane-cli (for instance --json).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="${QUELVANE_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

workdir="$(mktemp -d "${TMPDIR:-/tmp}/quelvane-ejemplo-XXXXXX")"
trap 'rm -rf "$workdir"' EXIT
# The example's backups stay with the build, not among the user's own.
export QUELVANE_BACKUP_DIR="${QUELVANE_BACKUP_DIR:-$build_dir/ejemplo/backups}"

"$build_dir/bin/quelvane-cli" intake "$root/examples/centro-ejemplo.xml" --workdir "$workdir" "$@"
echo
echo "Tablas escritas en la carpeta de trabajo $workdir (se borra al terminar):"
ls -l "$workdir"

# Delivery: the test host stands in for the timetabling program and fills SOLUC, then delivery
# writes the timetable document beside the centre document; a copy in the build folder keeps
# examples/ untouched and the result in view after the working folder is gone.
outdir="$build_dir/ejemplo"
mkdir -p "$outdir"
cp "$root/examples/centro-ejemplo.xml" "$outdir/centro-ejemplo.xml"
echo
"$build_dir/bin/quelvane-test-host" "$workdir"
echo
"$build_dir/bin/quelvane-cli" deliver "$outdir/centro-ejemplo.xml" --workdir "$workdir" "$@"
