#!/usr/bin/env bash
# Wall time and peak memory of vidmora-cli watermarking a clip with the demo
# template, against the ffmpeg program doing the same encode without a
# watermark, and against ffmpeg burning in the same text with its drawtext
# filter.
#
#   bench/cli/cli_bench.sh [BUILD_DIR] [RUNS]
#
# Makes a 10-second 1920x1080 H.264/AAC clip; vidmora-cli runs with a fresh
# data folder (first-start settings: every rate "auto", so the encoder gets
# the probed rates) and the ffmpeg runs get the same argument vector. The three
# runs alternate, RUNS times (default 3); the best wall time and the largest
# peak resident memory of each are reported, with the wall-time ratios.
set -euo pipefail

build=${1:-build}
runs=${2:-3}
cli=$build/bin/vidmora-cli
[[ -x $cli ]] || { echo "build vidmora-cli in $build first" >&2; exit 2; }
source "$(dirname "${BASH_SOURCE[0]}")/../bench_lib.sh"

work_with_clip
video_kbps=$(video_kbps "$clip")
args=(-vcodec libx264 -b:v "${video_kbps}k" -r 25 -acodec aac -ar 44.1k -b:a 128k -vol 256)

# The demo text as drawtext paints it: centred, the template's red, about the
# height the template's text is fitted to on a 1080-line frame.
font=$(fc-match -f '%{file}' Arial)
drawtext="drawtext=fontfile=$font:text=Vidmora:fontsize=48:fontcolor=0x9E330B:x=(w-tw)/2:y=(h-th)/2"


declare -A best=([cli]=999999 [plain]=999999 [drawtext]=999999) top=([cli]=0 [plain]=0 [drawtext]=0)
declare -A least=([cli]=999999 [plain]=999999 [drawtext]=999999)
measure() {  # name, command...
  local name=$1
  shift
  /usr/bin/time -v -o "$work/$name.time" "$@" > "$work/$name.log" 2>&1
  best[$name]=$(min "${best[$name]}" "$(wall "$work/$name.time")")
  top[$name]=$(max "${top[$name]}" "$(peak "$work/$name.time")")
  least[$name]=$(min "${least[$name]}" "$(cpu "$work/$name.time")")
  printf '  %-9s %6.2f s wall %6.2f s cpu %8d kB\n' "$name" "$(wall "$work/$name.time")" "$(cpu "$work/$name.time")" \
    "$(peak "$work/$name.time")"
}

for ((run = 1; run <= runs; run++)); do
  echo "run $run"
  rm -rf "$work/home" "$work/source_new.mp4"
  mkdir -p "$work/home"
  measure cli env HOME="$work/home" XDG_DATA_HOME="$work/home/data" XDG_CONFIG_HOME="$work/home/config" \
    TMPDIR="$work" "$cli" --quiet "$clip"
  measure plain ffmpeg -v error -y -i "$clip" "${args[@]}" "$work/plain.mp4"
  measure drawtext ffmpeg -v error -y -i "$clip" -vf "$drawtext" "${args[@]}" "$work/drawtext.mp4"
done

echo "clip: 10 s 1920x1080 H.264 ${video_kbps} kbit/s + AAC 128 kbit/s; $(nproc) cores"
for name in cli plain drawtext; do
  printf '%-9s best %6.2f s wall, %6.2f s cpu, peak %8d kB\n' "$name" "${best[$name]}" "${least[$name]}" "${top[$name]}"
done
ratios() {  # label, cli, plain, drawtext
  awk -v l="$1" -v c="$2" -v p="$3" -v d="$4" \
    'BEGIN { printf "%s ratio vidmora-cli / plain ffmpeg: %.3f; vidmora-cli / ffmpeg drawtext: %.3f\n", l, c / p, c / d }'
}
ratios wall-time "${best[cli]}" "${best[plain]}" "${best[drawtext]}"
ratios cpu-time "${least[cli]}" "${least[plain]}" "${least[drawtext]}"
