#!/usr/bin/env bash
# Smoothness and processor time of vidplay playing a 10-second 1920x1080
# 25 fps clip with the demo template, against the mpv program playing the
# same clip, both in one private X server (Xvfb, Mesa's software OpenGL)
# with sound going nowhere (ao=null).
#
#   bench/player/player_bench.sh [BUILD_DIR] [RUNS]
#
# Dropped and delayed frames are mpv's own counters (frame-drop-count,
# decoder-frame-drop-count, vo-delayed-frame-count) at the end of the clip;
# processor time comes from /usr/bin/time. The players show the picture at
# 1536x864. The aim: under 1 % of the 250 frames dropped.
set -euo pipefail

build=${1:-build}
runs=${2:-1}
vidplay=$build/bin/vidplay
cli=$build/bin/vidmora-cli
[[ -x $vidplay && -x $cli ]] || { echo "build vidplay and vidmora-cli in $build first" >&2; exit 2; }
command -v mpv >/dev/null || { echo "needs the mpv program" >&2; exit 2; }
source "$(dirname "${BASH_SOURCE[0]}")/../bench_lib.sh"

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A private X server on a free display.
Xvfb -displayfd 1 -screen 0 1920x1200x24 -nolisten tcp > "$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$work/display")
export LIBGL_ALWAYS_SOFTWARE=1

clip=$work/source.mp4
make_clip "$clip"
# A data folder with the demo template, as a first start makes it.
export HOME=$work/home XDG_DATA_HOME=$work/home/data XDG_CONFIG_HOME=$work/home/config TMPDIR=$work
mkdir -p "$HOME"
"$cli" templates > /dev/null

frames=250
for ((run = 1; run <= runs; run++)); do
  echo "run $run"
  VIDPLAY_MPV_OPTIONS="ao=null,keep-open=no" /usr/bin/time -v -o "$work/vidplay.time" \
    "$vidplay" Vidmora "Demo 1" "$clip" 1920 1080 > "$work/vidplay.log" 2>&1
  read -r v_out v_dec v_late < <(sed -n 's/^vidplay: frames dropped \([0-9]*\) by the output and \([0-9]*\) by the decoder, \([0-9]*\) delayed$/\1 \2 \3/p' "$work/vidplay.log")
  # mpv refuses a software OpenGL renderer and falls back to plain X11 output
  # with its own scaler; "mpv-gl" is forced onto the same OpenGL path as vidplay.
  for name in mpv mpv-gl; do
    vo=()
    [[ $name == mpv-gl ]] && vo=(--vo=gpu --gpu-sw)
    /usr/bin/time -v -o "$work/$name.time" mpv --no-config --ao=null "${vo[@]}" --geometry=1536x864 --keep-open=no \
      --term-status-msg='STAT ${frame-drop-count} ${decoder-frame-drop-count} ${vo-delayed-frame-count}' \
      "$clip" > "$work/$name.log" 2>&1
  done
  for name in vidplay mpv mpv-gl; do
    if [[ $name == vidplay ]]; then
      out=$v_out dec=$v_dec late=$v_late
    else
      read -r _ out dec late < <(tr '\r\033' '\n\n' < "$work/$name.log" | grep -o 'STAT [0-9]* [0-9]* [0-9]*' | tail -1)
    fi
    dropped=$((out + dec))
    printf '  %-8s %6.2f s wall %6.2f s cpu  dropped %3d (%.1f %%: %d output, %d decoder)  delayed %3d\n' \
      "$name" "$(wall "$work/$name.time")" "$(cpu "$work/$name.time")" "$dropped" \
      "$(awk -v d="$dropped" -v f="$frames" 'BEGIN { print 100 * d / f }')" "$out" "$dec" "$late"
  done
done
echo "clip: 10 s 1920x1080 25 fps H.264 + AAC; $(nproc) cores; Mesa software OpenGL under Xvfb"
