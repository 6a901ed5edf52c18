#!/usr/bin/env bash
# Wall time, processor time and peak memory of vidmora-cli watermarking 24
# two-second clips one at a time (--jobs 1) and two at a time (--jobs 2).
#
#   bench/cli/jobs_bench.sh [BUILD_DIR] [RUNS] [SIZE]
#
# The clips are SIZE (default 640x360) H.264/AAC, all different; each run
# starts from an empty output folder and a fresh data folder. The two settings
# alternate, RUNS times (default 1); the best wall time and the largest peak
# resident memory of each are reported.
set -euo pipefail

build=${1:-build}
runs=${2:-1}
size=${3:-640x360}
cli=$build/bin/vidmora-cli
[[ -x $cli ]] || { echo "build vidmora-cli in $build first" >&2; exit 2; }
source "$(dirname "${BASH_SOURCE[0]}")/../bench_lib.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/clips"
for i in $(seq -w 1 24); do
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=$size:rate=25:duration=2" \
    -f lavfi -i "sine=frequency=$((200 + 10#$i * 20)):sample_rate=44100:duration=2" \
    -vf "drawtext=text=$i:fontsize=40:x=10:y=10:fontcolor=white" \
    -c:v libx264 -pix_fmt yuv420p -c:a aac -b:a 128k -ac 2 "$work/clips/clip$i.mp4" 2>/dev/null ||
    ffmpeg -v error -y -f lavfi -i "testsrc2=size=$size:rate=25:duration=2" \
      -f lavfi -i "sine=frequency=$((200 + 10#$i * 20)):sample_rate=44100:duration=2" \
      -c:v libx264 -pix_fmt yuv420p -c:a aac -b:a 128k -ac 2 "$work/clips/clip$i.mp4"
done
ls "$work"/clips/*.mp4 > "$work/list.txt"

declare -A best=([1]=999999 [2]=999999) top=([1]=0 [2]=0) least=([1]=999999 [2]=999999)
for ((run = 1; run <= runs; run++)); do
  echo "run $run"
  for jobs in 1 2; do
    rm -rf "$work/home" "$work/out"
    mkdir -p "$work/home" "$work/out"
    /usr/bin/time -v -o "$work/time" env HOME="$work/home" XDG_DATA_HOME="$work/home/data" \
      XDG_CONFIG_HOME="$work/home/config" XDG_CACHE_HOME="$work/home/cache" TMPDIR="$work" \
      "$cli" --quiet --jobs "$jobs" --files-from "$work/list.txt" --output-dir "$work/out" > "$work/log" 2>&1 ||
      { cat "$work/log" >&2; exit 1; }
    [ "$(ls "$work/out" | wc -l)" -eq 24 ] || { echo "--jobs $jobs wrote $(ls "$work/out" | wc -l) outputs" >&2; exit 1; }
    best[$jobs]=$(min "${best[$jobs]}" "$(wall "$work/time")")
    top[$jobs]=$(max "${top[$jobs]}" "$(peak "$work/time")")
    least[$jobs]=$(min "${least[$jobs]}" "$(cpu "$work/time")")
    printf '  --jobs %d %7.2f s wall %7.2f s cpu %8d kB\n' "$jobs" "$(wall "$work/time")" "$(cpu "$work/time")" \
      "$(peak "$work/time")"
  done
done

echo "24 clips of 2 s, $size H.264 + AAC; $(nproc) cores"
for jobs in 1 2; do
  printf -- '--jobs %d  best %7.2f s wall, %7.2f s cpu, peak %8d kB\n' "$jobs" "${best[$jobs]}" "${least[$jobs]}" \
    "${top[$jobs]}"
done
awk -v a="${best[1]}" -v b="${best[2]}" 'BEGIN { printf "--jobs 2 takes %.2f of the wall time of --jobs 1\n", b / a }'
