#!/usr/bin/env bash
# The set-up's desktop entry: valid for the desktop, pointing at the program built beside the
# script, also from a folder whose name needs quoting.
#   test_desktop_entry.sh <repository folder>
set -euo pipefail
repo=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# entry_for <repository folder>: installs the entry of that copy and prints the file's path.
entry_for() {
    XDG_DATA_HOME="$work/data" bash "$1/scripts/setup.sh" desktop >/dev/null
    echo "$work/data/applications/lumivox.desktop"
}

entry=$(entry_for "$repo")
desktop-file-validate "$entry" || fail "the entry does not validate"
grep -qx "Exec=\"$repo/build/lumivox\"" "$entry" || fail "Exec: $(grep ^Exec= "$entry")"
grep -qx "TryExec=$repo/build/lumivox" "$entry" || fail "TryExec: $(grep ^TryExec= "$entry")"
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -f "$icon" ] || fail "no icon at $icon"

# A copy in a folder named  a "b" $c%d : each special character escaped as the format wants.
odd="$work/a \"b\" \$c%d"
mkdir -p "$odd/scripts"
cp "$repo/scripts/setup.sh" "$odd/scripts/"
entry=$(entry_for "$odd")
desktop-file-validate "$entry" || fail "the entry of the odd folder does not validate"
expected="Exec=\"$work/a \\\\\"b\\\\\" \\\\\$c%%d/build/lumivox\""
grep -qxF "$expected" "$entry" || fail "Exec: $(grep ^Exec= "$entry"), wanted $expected"
echo "desktop entry ok"
