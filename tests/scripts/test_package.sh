#!/usr/bin/env bash
# The Debian package CPack makes from this build: the program's files under /usr and nothing of
# the build, the run-time tools and the libraries dpkg-shlibdeps found among its dependencies,
# and no error from lintian.
#   test_package.sh <build folder>
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/log" 2>&1 ||
    fail "cpack: $(cat "$work/log")"
deb=$(ls "$work"/lumivox_*_amd64.deb) || fail "no lumivox_<version>_amd64.deb"

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort | tr '\n' ' ')
expected="./usr/bin/lumivox ./usr/lib/lumivox/data/coder.exe ./usr/lib/lumivox/data/coder2.exe
./usr/lib/lumivox/data/conv.exe ./usr/lib/lumivox/data/sox.exe ./usr/lib/lumivox/help.chm
./usr/lib/lumivox/lumivox ./usr/lib/lumivox/lumivox.installed ./usr/lib/lumivox/setup.ini
./usr/lib/lumivox/sound.wav ./usr/share/applications/lumivox.desktop
./usr/share/doc/lumivox/changelog.gz ./usr/share/doc/lumivox/copyright
./usr/share/icons/hicolor/scalable/apps/lumivox.svg ./usr/share/man/man1/lumivox.1.gz
./usr/share/metainfo/org.lumivox.Lumivox.metainfo.xml"
[ "$files" = "$(echo $expected) " ] || fail "package holds: $files"

depends=$(dpkg-deb -f "$deb" Depends | tr -d ' ' | tr ',' '\n' | sed 's/(.*//')
for p in ffmpeg libavcodec-extra sox libsox-fmt-all mencoder xchm fonts-noto-cjk xdg-utils \
         libqt6widgets6 libqt6multimedia6 libmp3lame0 libflac12 libtag1v5; do
    echo "$depends" | grep -qx "$p" || fail "Depends lacks $p: $(dpkg-deb -f "$deb" Depends)"
done
lintian --fail-on error "$deb" || fail "lintian reports errors"
echo "package ok"
