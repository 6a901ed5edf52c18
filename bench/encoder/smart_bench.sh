#!/usr/bin/env bash
# Wall time of vidmora-cli re-encoding only where the mark is (--smart on)
# against the full re-encode (--smart off), same settings, on a long clip
# whose mark shows in its first 10 seconds.
#
#   bench/encoder/smart_bench.sh [BUILD_DIR] [SOURCE]
#
# Without SOURCE it makes a 10-minute 1920x1080 H.264/AAC clip (30 fps, a
# keyframe every 2 s). The demo template of a first start gets a time window
# of 0 to 10 s. Each run starts from a fresh output; the figures are the wall
# and processor times, and, after the smart run, whether the output's
# pictures past the re-encoded spans are the source's to the bit.
set -euo pipefail

build=${1:-build}
cli=$build/bin/vidmora-cli
[[ -x $cli ]] || { echo "build vidmora-cli in $build first" >&2; exit 2; }
source "$(dirname "${BASH_SOURCE[0]}")/../bench_lib.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source=${2:-$work/source.mp4}
if [[ ! -f $source ]]; then
  ffmpeg -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=30 -f lavfi -i sine=frequency=440:sample_rate=48000 \
    -t 600 -c:v libx264 -preset veryfast -g 60 -pix_fmt yuv420p -c:a aac -b:a 128k "$source"
fi

home=$work/home
run_cli() {
  env HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" TMPDIR="$work" "$cli" "$@"
}
mkdir -p "$home"
run_cli templates > /dev/null
templates=$home/data/Vidmora/templates
# Every layer of the demo template shows from 0 to 10 s only.
for layer in "$templates"/*_*.xml; do
  sed -i 's#</WatermarkConf>#<Timing>\r\n<StartTime>0</StartTime>\r\n<EndTime>10000</EndTime>\r\n</Timing>\r\n</WatermarkConf>#' "$layer"
done

measure() {  # name, --smart on|off
  rm -f "$work/out/"*
  mkdir -p "$work/out"
  /usr/bin/time -v -o "$work/$1.time" env HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
    TMPDIR="$work" "$cli" --smart "$2" --output-dir "$work/out" "$source" > "$work/$1.log" 2>&1
  printf '%-6s %8.2f s wall %8.2f s cpu   %s\n' "$1" "$(wall "$work/$1.time")" "$(cpu "$work/$1.time")" \
    "$(grep -o 'done.*' "$work/$1.log" | tail -1)"
}

measure smart on
# Pictures from 12 s on lie past the re-encoded groups: they must be the source's.
out=$(ls "$work/out/"*)
a=$(ffmpeg -v error -ss 12 -i "$source" -map 0:v -f framemd5 - | grep -v '^#' | md5sum)
b=$(ffmpeg -v error -ss 12 -i "$out" -map 0:v -f framemd5 - | grep -v '^#' | md5sum)
[[ $a == "$b" ]] && echo "pictures after 12 s: identical to the source's" || echo "pictures after 12 s: DIFFERENT"
measure full off
echo "source: $(ffprobe -v error -show_entries format=duration -of csv=p=0 "$source") s 1920x1080 H.264; $(nproc) cores"
awk -v s="$(wall "$work/smart.time")" -v f="$(wall "$work/full.time")" \
  'BEGIN { printf "wall-time ratio smart / full: %.3f (%.1f times faster)\n", s / f, f / s }'
