#!/usr/bin/env bash
# Installs what is missing, builds, then either launches the program or runs every test.
#   scripts/setup.sh run      build, install the desktop entry and start Lumivox
#   scripts/setup.sh test     build (warnings as errors), run all tests, then the sanitizer build's
#   scripts/setup.sh desktop  only install the desktop entry for the program built here
#   scripts/setup.sh package  build build/lumivox_<version>_amd64.deb and check it with lintian
set -euo pipefail
mode=${1:-run}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# lumivox.desktop in the user's applications folder, so the desktop's menu starts the program
# built here. Exec quotes the path as the desktop-entry format wants: \ " ` $ get a backslash
# inside the quotes, then every backslash is doubled as in any string value, and % is doubled.
install_desktop_entry() {
    local apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
    local program="$root/build/lumivox"
    local exec_arg string_path icon
    exec_arg=$(printf '%s' "$program" | sed -e 's/[\\"`$]/\\&/g' -e 's/\\/\\\\/g' -e 's/%/%%/g')
    string_path=$(printf '%s' "$program" | sed -e 's/\\/\\\\/g')
    icon=$(printf '%s' "$root/assets/lumivox.svg" | sed -e 's/\\/\\\\/g')
    mkdir -p "$apps"
    cat >"$apps/lumivox.desktop.tmp" <<ENTRY
[Desktop Entry]
Type=Application
Name=Lumivox
GenericName=FLAC to MP3 Converter
GenericName[zh_CN]=FLAC 转 MP3 批量转换
Comment=Convert FLAC files to MP3 in batches
Comment[zh_CN]=把 FLAC 文件成批转换为 MP3
Exec="$exec_arg"
TryExec=$string_path
Icon=$icon
Terminal=false
Categories=AudioVideo;Audio;
ENTRY
    mv -f "$apps/lumivox.desktop.tmp" "$apps/lumivox.desktop"
    if command -v update-desktop-database >/dev/null; then
        update-desktop-database -q "$apps" || true
    fi
    echo "Desktop entry: $apps/lumivox.desktop"
}

if [ "$mode" = desktop ]; then
    install_desktop_entry
    exit 0
fi

packages=(build-essential cmake qt6-base-dev qt6-multimedia-dev qt6-svg-dev libgtest-dev
          ffmpeg libavcodec-extra sox libsox-fmt-all mencoder fonts-noto-cjk xvfb xauth
          clang-format fp-utils xchm xdg-utils desktop-file-utils pkg-config libmp3lame-dev
          libtag1-dev libflac-dev libuchardet-dev mp3val flac appstream lintian unzip
          python3-mutagen id3v2 wavpack libjmac-java default-jre-headless libebur128-dev
          libjpeg-dev libpng-dev imagemagick)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi

jobs=2
build() {  # build DIR [cmake options...]
    local dir=$1
    shift
    cmake -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
}

case "$mode" in
run)
    build build
    install_desktop_entry
    exec ./build/lumivox
    ;;
test)
    if command -v clang-format >/dev/null; then
        git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
    fi
    build build -DLUMIVOX_WERROR=ON
    (cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")
    build build-asan -DLUMIVOX_WERROR=ON -DLUMIVOX_SANITIZE=ON -DLUMIVOX_BENCH=OFF \
        -DCMAKE_BUILD_TYPE=Debug
    (cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
        ctest --output-on-failure -j"$jobs")
    ;;
package)
    build build
    rm -f build/lumivox_*.deb
    (cd build && cpack -G DEB >/dev/null)
    deb=$(ls build/lumivox_*_amd64.deb)
    lintian --fail-on error "$deb"
    echo "Package: $deb"
    ;;
*)
    echo "usage: $0 run|test|desktop|package" >&2
    exit 2
    ;;
esac
