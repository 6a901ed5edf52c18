#!/usr/bin/env bash
# A long batch, to see that a run does not grow: vidmora-cli watermarks COUNT
# one-second clips (default 200) in one run while the script samples the
# process every half second. It reports the peak resident memory, and the
# resident memory, open file descriptors and threads early in the run (the
# first ten files) and at its end (the last ten).
# Exits 1 when descriptors or threads grew, or resident memory grew by more
# than a fifth; not part of CI (it takes minutes).
#
#   bench/soak/batch_soak.sh [BUILD_DIR] [COUNT]
set -euo pipefail

build=${1:-build}
count=${2:-200}
cli=$(realpath "$build/bin/vidmora-cli")
[[ -x $cli ]] || { echo "build vidmora-cli in $build first" >&2; exit 2; }

work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
export HOME=$work/home XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config TMPDIR=$work/tmp
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$TMPDIR" "$work/clips" "$work/out"

ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 \
  -t 1 -c:v libx264 -c:a aac -shortest "$work/clip.mp4"
for ((i = 1; i <= count; i++)); do cp "$work/clip.mp4" "$work/clips/clip$i.mp4"; done

"$cli" --quiet --output-dir "$work/out" "$work/clips"/*.mp4 > "$work/cli.log" 2>&1 &
pid=$!

sample() {  # prints "rss_kib fds threads" of the process, nothing once it has ended
  local status
  status=$(cat "/proc/$pid/status" 2>/dev/null) || return 0
  local fds
  fds=$(ls "/proc/$pid/fd" 2>/dev/null | wc -l) || return 0
  awk -v fds="$fds" '/^VmRSS:/ { rss = $2 } /^Threads:/ { threads = $2 } END { print rss, fds, threads }' <<< "$status"
}
peak_kib() { awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true; }

# Each figure is the largest seen over a window of ten files: early (files 1 to
# 10 done) and at the end (the last ten), so that the threads an encode starts
# and ends count alike in both.
declare -A high=([rss0]=0 [fd0]=0 [th0]=0 [rss1]=0 [fd1]=0 [th1]=0)
peak=0
window=$((count >= 20 ? 10 : count / 2))
while kill -0 "$pid" 2>/dev/null; do
  done_files=$(find "$work/out" -name '*.mp4' | wc -l)
  now=$(sample)
  hwm=$(peak_kib)
  [[ -n $hwm ]] && ((hwm > peak)) && peak=$hwm
  if [[ -n $now ]]; then
    read -r rss fds threads <<< "$now"
    side=""
    ((done_files >= 1 && done_files <= window)) && side=0
    ((done_files >= count - window && done_files < count)) && side=1
    if [[ -n $side ]]; then
      ((rss > high[rss$side])) && high[rss$side]=$rss
      ((fds > high[fd$side])) && high[fd$side]=$fds
      ((threads > high[th$side])) && high[th$side]=$threads
    fi
  fi
  sleep 0.5
done
wait "$pid" && status=0 || status=$?

written=$(find "$work/out" -name '*.mp4' | wc -l)
echo "files: $written of $count written, exit status $status"
echo "peak resident memory: $((peak / 1024)) MiB"
rss0=${high[rss0]} fd0=${high[fd0]} th0=${high[th0]} rss1=${high[rss1]} fd1=${high[fd1]} th1=${high[th1]}
printf '%-22s %10s %10s\n' "" "early" "end"
printf '%-22s %10s %10s\n' "resident memory (KiB)" "$rss0" "$rss1" "open descriptors" "$fd0" "$fd1" "threads" "$th0" "$th1"

grown=0
((fd1 > fd0)) && { echo "open descriptors grew" >&2; grown=1; }
((th1 > th0)) && { echo "threads grew" >&2; grown=1; }
((rss1 * 5 > rss0 * 6)) && { echo "resident memory grew by more than a fifth" >&2; grown=1; }
((status == 0 && written == count && grown == 0)) || exit 1
