#!/usr/bin/env bash
# Wall time and peak memory of a watermarked encode through libvencor.so
# against the ffmpeg program doing the same encode without a watermark.
#
#   bench/encoder/transcode_bench.sh [BUILD_DIR] [RUNS]
#
# Makes a 10-second 1920x1080 H.264/AAC clip, then runs the application's
# argument vector (video bit rate as probed, 25 fps, 44.1 kHz, 128 kbit/s,
# volume 256) through vencor_transcode_driver with the demo template and
# through ffmpeg ("-acodec aac" for libvo_aacenc), alternately, RUNS times
# (default 3). Reports the best wall time and the peak resident memory of
# each, and the ratio of the wall times (libvencor / ffmpeg).
set -euo pipefail

build=${1:-build}
runs=${2:-3}
driver=$build/bin/vencor_transcode_driver
[[ -x $driver ]] || { echo "build the target vencor_transcode_driver in $build first" >&2; exit 2; }
source "$(dirname "${BASH_SOURCE[0]}")/../bench_lib.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
clip=$work/source.mp4
make_clip "$clip"
video_kbps=$(video_kbps "$clip")

common=(-vcodec libx264 -b:v "${video_kbps}k" -r 25)
audio=(-ar 44.1k -b:a 128k -vol 256)


best_v=999999 best_f=999999 peak_v=0 peak_f=0
for ((run = 1; run <= runs; run++)); do
  XDG_DATA_HOME=$work/data QT_QPA_PLATFORM=offscreen /usr/bin/time -v -o "$work/vencor.time" \
    "$driver" 1920 1080 -i "$clip" "${common[@]}" -acodec libvo_aacenc "${audio[@]}" "$work/vencor.mp4" 2> "$work/vencor.log"
  /usr/bin/time -v -o "$work/ffmpeg.time" \
    ffmpeg -v error -y -i "$clip" "${common[@]}" -acodec aac "${audio[@]}" "$work/ffmpeg.mp4"
  v=$(wall "$work/vencor.time") f=$(wall "$work/ffmpeg.time")
  echo "run $run: libvencor ${v}s $(peak "$work/vencor.time") kB, ffmpeg ${f}s $(peak "$work/ffmpeg.time") kB"
  best_v=$(min "$best_v" "$v")
  best_f=$(min "$best_f" "$f")
  peak_v=$(max "$peak_v" "$(peak "$work/vencor.time")")
  peak_f=$(max "$peak_f" "$(peak "$work/ffmpeg.time")")
done

echo "clip: 10 s 1920x1080 H.264 ${video_kbps} kbit/s + AAC; $(nproc) cores"
echo "libvencor + demo watermark: best ${best_v} s, peak ${peak_v} kB"
echo "ffmpeg, no watermark:       best ${best_f} s, peak ${peak_f} kB"
awk -v v="$best_v" -v f="$best_f" 'BEGIN { printf "wall-time ratio libvencor/ffmpeg: %.3f\n", v / f }'
