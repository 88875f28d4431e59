#!/usr/bin/env bash
# The installed files: the program's folder holds the program and what it reads and nothing of
# the build, the desktop files validate, and the installed program started through its link
# with a fresh home keeps its settings in the config folder and writes nothing under the prefix.
#   test_installed.sh <prefix>
set -euo pipefail
prefix=$1
work=$(mktemp -d)
program=
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null && wait "$program" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
listing() { (cd "$prefix" && find . -printf '%p %y %s %T@ %m %l\n' | sort); }

app="$prefix/lib/lumivox"
expected="./data/coder.exe ./data/coder2.exe ./data/conv.exe ./data/sox.exe ./help.chm
./lumivox ./lumivox.installed ./setup.ini ./sound.wav"
actual=$(cd "$app" && find . -type f | sort | tr '\n' ' ')
[ "$actual" = "$(echo $expected) " ] || fail "program folder holds: $actual"
[ "$(readlink -f "$prefix/bin/lumivox")" = "$(readlink -f "$app/lumivox")" ] ||
    fail "bin/lumivox does not lead to the program"
[ "$(readlink "$prefix/bin/lumivox" | cut -c1)" != / ] || fail "bin/lumivox is not relative"
for f in "$app/lumivox" "$app"/data/*.exe; do
    [ -x "$f" ] || fail "$f is not executable"
    if ldd "$f" | grep -q 'not found'; then fail "$f misses a library"; fi
done
others=$(cd "$prefix" && find . -type f ! -path './lib/lumivox/*' | sort | tr '\n' ' ')
[ -z "$(echo "$others" | tr ' ' '\n' | grep -Ei 'test|bench|cmake|\.a$')" ] ||
    fail "build files installed: $others"

desktop-file-validate "$prefix/share/applications/lumivox.desktop" || fail "desktop entry"
grep -qx 'Exec=lumivox' "$prefix/share/applications/lumivox.desktop" || fail "Exec"
grep -qx 'Icon=lumivox' "$prefix/share/applications/lumivox.desktop" || fail "Icon"
[ -s "$prefix/share/icons/hicolor/scalable/apps/lumivox.svg" ] || fail "no icon"
metainfo=$(find "$prefix/share/metainfo" -name '*.metainfo.xml')
appstreamcli validate --no-net "$metainfo" || fail "metadata does not validate"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" || fail "licence"
for lang in 'summary' 'summary xml:lang="zh_CN"' 'p' 'p xml:lang="zh_CN"'; do
    grep -q "<$lang>" "$metainfo" || fail "metadata lacks <$lang>"
done

# The program as a user starts it: through the link on the PATH, in a home of its own.
before=$(listing)
mkdir -p "$work/home"
HOME="$work/home" XDG_CONFIG_HOME= XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME= \
    QT_QPA_PLATFORM=offscreen PATH="$prefix/bin:$PATH" lumivox >"$work/log" 2>&1 &
program=$!
seeded="$work/home/.config/lumivox/setup.ini"
for _ in $(seq 300); do
    [ -s "$seeded" ] && break
    kill -0 "$program" 2>/dev/null || fail "the program ended: $(cat "$work/log")"
    sleep 0.1
done
cmp -s "$seeded" "$app/setup.ini" || fail "no settings begun in the config folder"
kill -0 "$program" 2>/dev/null || fail "the program did not keep running: $(cat "$work/log")"
kill "$program"
wait "$program" 2>/dev/null || true
program=
[ "$(listing)" = "$before" ] || fail "the program wrote under the prefix"
echo "installed files ok"
