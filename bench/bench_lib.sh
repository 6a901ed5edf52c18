# Shared by the benchmark scripts (source it): the sample clip and the
# figures read from /usr/bin/time -v reports.

command -v /usr/bin/time >/dev/null || { echo "needs /usr/bin/time (package time)" >&2; exit 2; }

# A 10-second 1920x1080 H.264 clip with 128 kbit/s stereo AAC, at $1.
make_clip() {
  ffmpeg -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=10 \
    -f lavfi -i sine=frequency=440:sample_rate=44100:duration=10 \
    -c:v libx264 -pix_fmt yuv420p -c:a aac -b:a 128k -ac 2 "$1"
}

# A private folder, $work, removed when the script ends, holding that clip as $clip.
work_with_clip() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  clip=$work/source.mp4
  make_clip "$clip"
}

# The clip's video bit rate in kbit/s, as the application's probe gives it.
video_kbps() {
  echo $(( $(ffprobe -v error -select_streams v:0 -show_entries stream=bit_rate -of csv=p=0 "$1") / 1000 ))
}

# Seconds of wall time, seconds of processor time, peak resident kilobytes.
wall() { awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$1"; }
cpu() { awk -F': ' '/User time|System time/ { s += $2 } END { print s }' "$1"; }
peak() { awk -F': ' '/Maximum resident set size/ { print $2 }' "$1"; }

min() { awk -v a="$1" -v b="$2" 'BEGIN { print (b < a ? b : a) }'; }
max() { awk -v a="$1" -v b="$2" 'BEGIN { print (b > a ? b : a) }'; }
