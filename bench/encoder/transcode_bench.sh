#!/usr/bin/env bash
# Wall time, processor time and peak memory of watermarked encodes through
# libvencor.so against the ffmpeg program doing the same encode without a
# watermark.
#
#   bench/encoder/transcode_bench.sh [BUILD_DIR] [RUNS]
#
# Makes a 10-second 1920x1080 H.264/AAC clip, then runs the application's
# argument vector (video bit rate as probed, 25 fps, 44.1 kHz, 128 kbit/s,
# volume 256) through vencor_transcode_driver with three templates (demo;
# effects: shadow, outline, logo and a pattern over the whole frame; long: a
# long outlined text at bottom right; timed: a fading, drifting logo and a
# bouncing text; timecode: a burnt-in timecode and frame number) and through ffmpeg ("-acodec aac" for
# libvo_aacenc), in turn, RUNS rounds (default 3). Reports the best wall and
# processor times and the peak resident memory of each, and their ratios to
# ffmpeg's.
set -euo pipefail

build=${1:-build}
runs=${2:-3}
driver=$build/bin/vencor_transcode_driver
[[ -x $driver ]] || { echo "build the target vencor_transcode_driver in $build first" >&2; exit 2; }
source "$(dirname "${BASH_SOURCE[0]}")/../bench_lib.sh"

work_with_clip
video_kbps=$(video_kbps "$clip")

common=(-vcodec libx264 -b:v "${video_kbps}k" -r 25)
audio=(-ar 44.1k -b:a 128k -vol 256)
# VIDMORA_BENCH_TEMPLATES picks some ("timed": a fading, drifting logo and a bouncing text).
read -r -a templates <<< "${VIDMORA_BENCH_TEMPLATES:-demo effects long timed timecode}"

declare -A best_wall best_cpu peak_mem
record() {  # name, time report
  local w c p
  w=$(wall "$2") c=$(cpu "$2") p=$(peak "$2")
  best_wall[$1]=$(min "${best_wall[$1]:-999999}" "$w")
  best_cpu[$1]=$(min "${best_cpu[$1]:-999999}" "$c")
  peak_mem[$1]=$(max "${peak_mem[$1]:-0}" "$p")
  echo "  $1: ${w} s wall, ${c} s cpu, ${p} kB"
}

for ((run = 1; run <= runs; run++)); do
  echo "run $run"
  /usr/bin/time -v -o "$work/ffmpeg.time" \
    ffmpeg -v error -y -i "$clip" "${common[@]}" -acodec aac "${audio[@]}" "$work/ffmpeg.mp4"
  record ffmpeg "$work/ffmpeg.time"
  for t in "${templates[@]}"; do
    rm -rf "$work/data"
    XDG_DATA_HOME=$work/data QT_QPA_PLATFORM=offscreen VIDMORA_BENCH_TEMPLATE=$t /usr/bin/time -v -o "$work/$t.time" \
      "$driver" 1920 1080 -i "$clip" "${common[@]}" -acodec libvo_aacenc "${audio[@]}" "$work/$t.mp4" 2> "$work/$t.log"
    record "$t" "$work/$t.time"
  done
done

echo "clip: 10 s 1920x1080 H.264 ${video_kbps} kbit/s + AAC; $(nproc) cores; best of $runs"
printf '%-22s %9s %9s %11s %7s %7s %7s\n' "" "wall s" "cpu s" "peak kB" "wall x" "cpu x" "mem x"
for name in ffmpeg "${templates[@]}"; do
  awk -v n="$name" -v w="${best_wall[$name]}" -v c="${best_cpu[$name]}" -v p="${peak_mem[$name]}" \
      -v fw="${best_wall[ffmpeg]}" -v fc="${best_cpu[ffmpeg]}" -v fp="${peak_mem[ffmpeg]}" \
      'BEGIN { printf "%-22s %9.2f %9.2f %11d %7.3f %7.3f %7.3f\n", (n == "ffmpeg" ? "ffmpeg, no watermark" : "libvencor + " n), w, c, p, w / fw, c / fc, p / fp }'
done
