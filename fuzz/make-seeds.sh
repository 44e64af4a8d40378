#!/usr/bin/env bash
# Makes the seeds that no test fixture provides: the working tables of the example's intake with
# a SOLUC filled by the test host (corpus/dbase), and delivery inputs pairing centre documents
# with that SOLUC and with foreign tables (corpus/delivery: 4-byte little-endian length of the
# document, the document, SOLUC.DBF). Run after a build; BUILD_DIR defaults to build/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${1:-$root/build}/bin"
work="$(mktemp -d "${TMPDIR:-/tmp}/quelvane-seeds-XXXXXX")"
trap 'rm -rf "$work"' EXIT

"$bin/quelvane-cli" intake "$root/examples/centro-ejemplo.xml" --workdir "$work" >/dev/null
"$bin/quelvane-test-host" "$work" >/dev/null

dbase="$root/fuzz/corpus/dbase"
delivery="$root/fuzz/corpus/delivery"
rm -rf "$dbase" "$delivery"
mkdir -p "$dbase" "$delivery"
for table in ASIGNOMT PROFT AULAT GRUPOST DIASHORAST COUNTSES ASIGT SOLUC; do
    cp "$work/$table.DBF" "$dbase/$table.DBF"
done
cp "$work/COUNTSES.MDX" "$dbase/COUNTSES.MDX"

python3 - "$root" "$work/SOLUC.DBF" "$delivery" <<'PY'
import pathlib, struct, sys
root, soluc, out = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]).read_bytes(), pathlib.Path(sys.argv[3])
def seed(name, document, table):
    (out / name).write_bytes(struct.pack('<I', len(document)) + document + table)
example = (root / 'examples/centro-ejemplo.xml').read_bytes()
seed('example', example, soluc)
header_length = struct.unpack_from('<H', soluc, 8)[0]
seed('example-no-soluc-rows', example, soluc[:4] + struct.pack('<I', 0) + soluc[8:header_length] + b'\x1a')
for document in sorted((root / 'tests/data/delivery').glob('*.xml')):
    seed(document.stem, document.read_bytes(), soluc)
for table in ['dBaseIII_nomemo.dbf', 'dBaseVII_int.dbf', 'XB4.DBF']:
    seed('example-' + table.lower().replace('.dbf', ''), example, (root / 'tests/data/dbase/foreign' / table).read_bytes())
PY
echo "Seeds in $dbase and $delivery"
