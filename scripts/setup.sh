#!/usr/bin/env bash
# Installs what is missing, builds, then either launches the program or runs every test.
#   scripts/setup.sh run    build and start Lumivox
#   scripts/setup.sh test   build (warnings as errors), run all tests, then the sanitizer build's
set -euo pipefail
mode=${1:-run}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

packages=(build-essential cmake qt6-base-dev qt6-multimedia-dev qt6-svg-dev libgtest-dev
          ffmpeg libavcodec-extra sox libsox-fmt-all mencoder fonts-noto-cjk xvfb xauth
          clang-format pkg-config libmp3lame-dev libtag1-dev libflac-dev
          mp3val)

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
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
