#!/usr/bin/env bash
# Each video codec at the "standard" quality: processor time, size and SSIM
# of vidmora-cli's watermarked output against the ffmpeg program's encode of
# the same clip with the same encoder settings and no watermark.
#
#   bench/encoder/codec_bench.sh [BUILD_DIR] [RUNS] [CODEC...]
#
# Makes a 10-second 1920x1080 H.264 clip (25 fps). The outputs have no audio,
# so that the figures are the video encoder's. SSIM is measured against the
# source outside the mark: the box the demo template paints (found by
# rendering it over black) is filled with the source's pixels in both
# outputs first, and the pictures are compared in RGB. Times are the best of RUNS rounds (default 1); CODEC picks
# rows (h264 hevc av1 vp9 vp8 xvid).
set -euo pipefail

build=${1:-build}
runs=${2:-1}
shift $(($# < 2 ? $# : 2))
cli=$build/bin/vidmora-cli
[[ -x $cli ]] || { echo "build vidmora-cli in $build first" >&2; exit 2; }
source "$(dirname "${BASH_SOURCE[0]}")/../bench_lib.sh"

work_with_clip

home=$work/home
run_cli() {
  env HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" TMPDIR="$work" "$cli" "$@"
}
mkdir -p "$home"
template=$(run_cli templates | head -1)

# The mark's box, with a margin for SSIM's 8x8 windows.
ffmpeg -v error -y -f lavfi -i color=c=black:s=1920x1080 -frames:v 1 "$work/black.png"
run_cli render --template "$template" --image "$work/black.png" --out "$work/marked.png"
read -r mx my mw mh < <(ffmpeg -v error -i "$work/marked.png" -f rawvideo -pix_fmt gray - | python3 -c '
import sys
w, h, pad = 1920, 1080, 16
data = sys.stdin.buffer.read()
rows = [y for y in range(h) if max(data[y * w:(y + 1) * w]) > 8]
cols = [x for x in range(w) if any(data[y * w + x] > 8 for y in rows)]
x0, y0 = max(0, cols[0] - pad) & ~1, max(0, rows[0] - pad) & ~1
x1, y1 = min(w, cols[-1] + pad + 1), min(h, rows[-1] + pad + 1)
print(x0, y0, (x1 - x0 + 1) & ~1, (y1 - y0 + 1) & ~1)')

# In RGB, each picture read with its own matrix: the source and the outputs of
# an untagged 1080p source are BT.709, but VP8 can only say BT.601, so
# vidmora converts its pictures to that.
ssim_outside_mark() {  # output file, its matrix
  local rgb="format=gbrp"
  ffmpeg -v info -i "$1" -i "$clip" -lavfi \
    "[0:v]scale=in_color_matrix=$2:out_range=pc:in_range=tv,$rgb[out];
     [1:v]scale=in_color_matrix=bt709:out_range=pc:in_range=tv,$rgb,split[src][ref];
     [src]crop=$mw:$mh:$mx:$my[patch];[out][patch]overlay=$mx:$my[fixed];[fixed][ref]ssim" \
    -f null - 2>&1 | sed -n 's/.* All:\([0-9.]*\).*/\1/p' | tail -1
}

# name | vidmora-cli options | the ffmpeg program's options for the same encoder settings | extension | the
# matrix of vidmora's pictures
rows=(
  "h264|--format mp4 --vcodec h264|-c:v libx264 -crf 23 -preset medium|mp4|bt709"
  "hevc|--format mp4 --vcodec hevc|-c:v libx265 -crf 28 -preset medium -x265-params log-level=error|mp4|bt709"
  "av1|--format webm --vcodec av1|-c:v libsvtav1 -crf 34 -preset 8|webm|bt709"
  "vp9|--format webm --vcodec vp9|-c:v libvpx-vp9 -crf 33 -b:v 0 -cpu-used 2 -row-mt 1|webm|bt709"
  "vp8|--format vp8 --vcodec vp8|-c:v libvpx -crf 10 -b:v 15552k -cpu-used 2|webm|bt601"
  "xvid|--format avi --vcodec xvid|-c:v libxvid -q:v 3|avi|bt709"
)
wanted=" ${*:-h264 hevc av1 vp9 vp8 xvid} "

declare -A best settings size ssim
for ((run = 1; run <= runs; run++)); do
  for row in "${rows[@]}"; do
    IFS='|' read -r name ours theirs ext _ <<< "$row"
    [[ $wanted == *" $name "* ]] || continue
    read -r -a ours_args <<< "$ours"
    read -r -a theirs_args <<< "$theirs"
    /usr/bin/time -v -o "$work/ffmpeg.time" \
      ffmpeg -v error -y -i "$clip" "${theirs_args[@]}" -an "$work/ffmpeg_$name.$ext"
    rm -rf "$work/out" && mkdir -p "$work/out"
    /usr/bin/time -v -o "$work/vidmora.time" env HOME="$home" XDG_DATA_HOME="$home/data" \
      XDG_CONFIG_HOME="$home/config" TMPDIR="$work" "$cli" --template "$template" "${ours_args[@]}" \
      --quality standard --speed balanced --no-audio --output-dir "$work/out" "$clip" > "$work/$name.log" 2>&1
    out=$(ls "$work/out/"*)
    mv "$out" "$work/vidmora_$name.$ext"
    for who in ffmpeg vidmora; do
      c=$(cpu "$work/$who.time")
      best[$who/$name]=$(min "${best[$who/$name]:-999999}" "$c")
      echo "run $run $name $who: $c s cpu"
    done
    # What the encoder library was given, from its log line for this file.
    settings[$name]=$(grep -h -- "-> " "$home/data/Vidmora/log/"*.log | tail -1 | sed 's/.* -> //; s/; audio.*//')
  done
done

echo "clip: 10 s 1920x1080 25 fps H.264, no audio in the outputs; $(nproc) cores; best of $runs; mark box ${mw}x${mh}+${mx}+${my}"
printf '%-5s %10s %10s %7s %11s %11s %8s %8s  %s\n' codec "ffmpeg s" "vidmora s" "cpu x" "ffmpeg kB" "vidmora kB" \
  "ssim ff" "ssim vm" "vidmora's encoder settings"
for row in "${rows[@]}"; do
  IFS='|' read -r name _ _ ext matrix <<< "$row"
  [[ $wanted == *" $name "* ]] || continue
  a=$(stat -c %s "$work/ffmpeg_$name.$ext") b=$(stat -c %s "$work/vidmora_$name.$ext")
  awk -v n="$name" -v f="${best[ffmpeg/$name]}" -v v="${best[vidmora/$name]}" -v a="$a" -v b="$b" \
    -v sa="$(ssim_outside_mark "$work/ffmpeg_$name.$ext" bt709)" \
    -v sb="$(ssim_outside_mark "$work/vidmora_$name.$ext" "$matrix")" \
    -v s="${settings[$name]}" \
    'BEGIN { printf "%-5s %10.2f %10.2f %7.3f %11d %11d %8.5f %8.5f  %s\n", n, f, v, v / f, a / 1000, b / 1000, sa, sb, s }'
done
