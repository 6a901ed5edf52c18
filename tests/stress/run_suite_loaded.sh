#!/bin/bash
# Runs the test suite ROUNDS times while busy loops keep every core at work,
# then prints each test that failed with how often. Finds tests whose result
# depends on the machine's speed; not part of CI.
#
#   tests/stress/run_suite_loaded.sh BUILD_DIR [ROUNDS] [ctest options...]
#
# ROUNDS defaults to 5; options after it go to every ctest run (default -j2,
# e.g. "-j2 -R 'CliTest|VencorEncode'" for a subset). The output of each round
# is kept in BUILD_DIR/stress-logs. Exit status 0 when every round passed.
set -euo pipefail

build=${1:?usage: $0 BUILD_DIR [ROUNDS] [ctest options...]}
rounds=${2:-5}
shift $(( $# >= 2 ? 2 : 1 ))
ctest_options=("$@")
[ ${#ctest_options[@]} -gt 0 ] || ctest_options=(-j2)
[ -f "$build/CTestTestfile.cmake" ] || { echo "$build holds no test build" >&2; exit 2; }

logs="$build/stress-logs"
rm -rf "$logs"
mkdir -p "$logs"

load_pids=()
stop_load() { [ ${#load_pids[@]} -eq 0 ] || kill "${load_pids[@]}" 2>/dev/null || true; }
trap stop_load EXIT
for _ in $(seq "$(nproc)"); do
  sh -c 'while :; do :; done' &
  load_pids+=($!)
done
echo "$(nproc) busy loops running; $rounds round(s) of: ctest ${ctest_options[*]}"

failed_rounds=0
for round in $(seq "$rounds"); do
  log="$logs/round-$round.log"
  started=$SECONDS
  if ctest --test-dir "$build" --output-on-failure "${ctest_options[@]}" >"$log" 2>&1; then
    echo "round $round: passed ($(( SECONDS - started )) s)"
  else
    failed_rounds=$(( failed_rounds + 1 ))
    echo "round $round: FAILED ($(( SECONDS - started )) s), see $log"
  fi
  # ctest closes with "The following tests FAILED:" and one "  N - name (reason)" line per test.
  sed -n '/^The following tests FAILED:/,$p' "$log" | sed -n 's/^[[:space:]]*[0-9]* - //p' >>"$logs/failed.txt"
done

echo
if [ "$failed_rounds" -eq 0 ]; then
  echo "No failure in $rounds round(s)."
  exit 0
fi
echo "$failed_rounds of $rounds round(s) failed. Failures per test:"
sort "$logs/failed.txt" | uniq -c | sort -rn
exit 1
