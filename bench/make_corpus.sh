#!/usr/bin/env bash
# Builds a corpus of real music for the batch benchmark: every track of 60 s or more from three
# Debian packages of free game music (rock and metal, orchestral/ambient, electronic), as 44.1 kHz
# 16-bit stereo FLAC.
#
#   bash bench/make_corpus.sh [DIR]
#
# DIR defaults to /var/cache/lumivox-corpus when run as root, else
# ${XDG_CACHE_HOME:-~/.cache}/lumivox-corpus. The packages are fetched with `apt-get download` and
# unpacked into a temporary folder; nothing is installed. A second run keeps the FLACs already
# there and fetches only what is missing. Prints the corpus folder as its last line.
set -euo pipefail

packages=(fretsonfire-songs-muldjord singularity-music nexuiz-music)
min_seconds=60

if [ $# -ge 1 ]; then
    dir=$1
elif [ "$(id -u)" -eq 0 ]; then
    dir=/var/cache/lumivox-corpus
else
    dir=${XDG_CACHE_HOME:-$HOME/.cache}/lumivox-corpus
fi
mkdir -p "$dir"

for tool in ffmpeg ffprobe unzip apt-get dpkg-deb; do
    command -v "$tool" >/dev/null || { echo "make_corpus: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seconds() {
    ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$1" | cut -d. -f1
}

# $1 source audio, $2 corpus name without extension
convert() {
    local src=$1 out="$dir/$2.flac"
    [ -s "$out" ] && return 0
    local len
    len=$(seconds "$src" || echo 0)
    if [ "${len:-0}" -lt $min_seconds ]; then
        echo "skip $2 (${len:-?} s)"
        return 0
    fi
    # Through a temporary name, so an interrupted run never leaves a truncated FLAC behind.
    ffmpeg -nostdin -v error -y -i "$src" -map 0:a:0 -map_metadata -1 -ar 44100 -ac 2 \
        -sample_fmt s16 -c:a flac "$work/part.flac"
    mv "$work/part.flac" "$out"
    echo "made $2.flac (${len} s)"
}

# File names without spaces, so shell loops over the corpus stay simple.
tidy() { tr ' ' '_' <<<"$1"; }

fetch() {
    local pkg=$1
    if ! apt-cache show "$pkg" >/dev/null 2>&1; then
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update -q
    fi
    (cd "$work" && apt-get download -q "$pkg" 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
    local deb
    deb=$(ls "$work/${pkg}"_*.deb)
    dpkg-deb -x "$deb" "$work/$pkg"
    rm -f "$deb"
}

for pkg in "${packages[@]}"; do
    stamp="$dir/.done-$pkg"
    [ -e "$stamp" ] && continue
    fetch "$pkg"
    case $pkg in
    fretsonfire-songs-muldjord)
        # song.ogg is the full mix; guitar.ogg is the lead stem alone.
        for f in "$work/$pkg"/usr/share/games/fretsonfire/data/songs/muldjord/*/song.ogg; do
            convert "$f" "muldjord-$(tidy "$(basename "$(dirname "$f")")")"
        done
        ;;
    singularity-music)
        while IFS= read -r -d '' f; do
            name=$(basename "$f" .ogg)
            convert "$f" "singularity-$(tidy "$name")"
        done < <(find "$work/$pkg/usr/share/games/singularity/music" -name '*.ogg' -print0 | sort -z)
        ;;
    nexuiz-music)
        unzip -q -o "$work/$pkg/usr/share/games/nexuiz/data/music.pk3" -d "$work/pk3"
        for f in "$work"/pk3/sound/cdtracks/*.ogg; do
            convert "$f" "nexuiz-$(tidy "$(basename "$f" .ogg)")"
        done
        ;;
    esac
    rm -rf "${work:?}/$pkg" "$work/pk3"
    touch "$stamp"
done

echo "$(find "$dir" -maxdepth 1 -name '*.flac' | wc -l) FLAC files in"
echo "$dir"
