#!/usr/bin/env bash
# Sets up a Debian 12 machine for Vidmora, builds it and runs it or its tests.
#
#   ./setup.sh run [FILE...]  install what is missing, build, then start the window when a
#                             display is available; with FILE... or without a display, watermark
#                             FILE... (or a generated sample clip) with vidmora-cli
#   ./setup.sh test           install what is missing, check the format of the changed lines,
#                             build and run every test, check the installation and the .deb;
#                             then build again from a clean folder with AddressSanitizer and
#                             UndefinedBehaviorSanitizer, run clang-tidy over the changed files
#                             and run every test and the fuzzers; last, the ThreadSanitizer
#                             tests below
#   ./setup.sh tsan           install what is missing, build the engine's, the window's and the
#                             player's tests with ThreadSanitizer and run them
#   ./setup.sh build          install what is missing and build
#
# Works as root or, where it exists, through sudo (only apt-get is run as root).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build_dir=${VIDMORA_BUILD_DIR:-$here/build}
sanitize_dir=${VIDMORA_SANITIZE_BUILD_DIR:-$here/build-sanitize}
tsan_dir=${VIDMORA_TSAN_BUILD_DIR:-$here/build-tsan}
jobs=$(nproc 2>/dev/null || echo 2)

packages=(
  # build
  build-essential cmake pkg-config ninja-build
  # GUI, painting, images, settings
  qt6-base-dev qt6-tools-dev libqt6opengl6-dev qt6-image-formats-plugins libgl-dev fontconfig
  # the preview player: mpv's library (decoding, sound, sync, seeking)
  libmpv-dev
  # encoding, decoding, probing, logging
  libavformat-dev libavcodec-dev libavfilter-dev libswscale-dev libswresample-dev libavutil-dev
  libmediainfo-dev libspdlog-dev
  # the "Arial" of the templates: a metric-compatible face
  fonts-liberation2
  # the window's text: the sans-serif face fontconfig asks for first. Without it, on a machine
  # whose only fonts are the ones above, every label falls back to Liberation Mono
  fonts-dejavu-core
  # the window shows the last output in the file manager through xdg-open
  xdg-utils
  # tests: a private session bus stands in for the file manager and the notifications
  dbus-daemon
  # tests: sample clips and checks, screenshots, fuzzing, benchmarks
  libgtest-dev libbenchmark-dev ffmpeg xvfb xauth clang libclang-rt-14-dev time lldb
  # player tests and benchmark: software OpenGL under Xvfb, the mpv program to compare with
  libgl1-mesa-dri mpv
  # the Kubernetes manifest test
  python3-yaml
  # the .deb (cd build && cpack): CPack's dependency scan needs file and dpkg-shlibdeps;
  # .ci/package_check.sh checks it with lintian and desktop-file-validate
  file dpkg-dev lintian desktop-file-utils
  # .ci/check_format.py and .ci/check_tidy.py: the lines and files changed since
  # .ci/format-base, through clang-format and clang-tidy
  git python3 clang-format clang-tidy
)

# One set of options for every command, so that `run`, `build` and `test` share one
# build folder and none of them rebuilds what another has built.
build_options=(-DVIDMORA_TESTS=ON -DVIDMORA_BENCHMARKS=ON -DVIDMORA_WERROR=ON)

log() { printf '== %s\n' "$*" >&2; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    log "need root to install packages: run as root or install sudo"
    exit 1
  fi
}

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return
  fi
  log "installing: ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

configure_and_build() {  # build folder, extra CMake arguments, then optionally -- and the targets
  local dir=$1
  shift
  local options=() targets=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    options+=("$1")
    shift
  done
  [ $# -gt 0 ] && shift
  for target in "$@"; do targets+=(--target "$target"); done
  local launcher=()
  # A compiler cache, where the machine has one, makes a rebuild in a fresh clone quick. Paths are
  # hashed relative to the checkout, so that clones in other folders share the cache.
  if command -v ccache >/dev/null 2>&1; then
    export CCACHE_BASEDIR=$here CCACHE_NOHASHDIR=1
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "${options[@]}"
  cmake --build "$dir" -j "$jobs" "${targets[@]}"
}

run_tests() {  # build folder, then extra ctest arguments
  local dir=$1
  shift
  ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$jobs" --timeout 900 "$@"
}

run_tsan_tests() {
  # Where threads hand work to each other: the engine's batch and jobs, the window
  # that runs them and the player. Only those test programs and what they need are built.
  log "engine, window and player tests with ThreadSanitizer"
  # The system's libraries are not built with the sanitizer: what they do
  # through the functions it intercepts (memcpy, free, write) is not ours to
  # check, and their own locks are invisible to it.
  export TSAN_OPTIONS="suppressions=$here/tests/tsan_suppressions.txt:ignore_noninstrumented_modules=1${TSAN_OPTIONS:+:$TSAN_OPTIONS}"
  tsan_tests=(app_engine_tests shell_tests player_tests)
  CC=clang CXX=clang++ configure_and_build "$tsan_dir" \
    -DVIDMORA_TESTS=ON -DVIDMORA_TSAN=ON -DVIDMORA_FUZZ=OFF -DVIDMORA_BENCHMARKS=OFF \
    -- "${tsan_tests[@]}"
  # Qt starts a child process with a clone() that ThreadSanitizer's runtime
  # cannot follow (its fork handler stops on a failed CHECK): the tests that
  # start one through QProcess run in the other builds only.
  tsan_skip='WindowTest\.(ADoneRowsOutputIsPlayedAndShownInTheFileManager|TheEndOfARunIsNotifiedWithTheCountsAndShowInFolder|ASecondStartHandsItsFilesToTheRunningWindow)$'
  run_tests "$tsan_dir" -L "^($(IFS='|'; echo "${tsan_tests[*]}"))\$" -E "$tsan_skip"
}

sample_clip() {
  local clip=$build_dir/sample/sample.mp4
  if [ ! -f "$clip" ]; then
    mkdir -p "$(dirname "$clip")"
    log "making a sample clip: $clip"
    ffmpeg -v error -y -f lavfi -i testsrc2=size=640x360:rate=25:duration=5 \
      -f lavfi -i sine=frequency=440:sample_rate=44100:duration=5 \
      -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest "$clip"
  fi
  printf '%s\n' "$clip"
}

cmd=${1:-}
[ $# -gt 0 ] && shift
case "$cmd" in
  build)
    install_missing
    configure_and_build "$build_dir" "${build_options[@]}"
    ;;
  run)
    install_missing
    configure_and_build "$build_dir" "${build_options[@]}"
    if [ $# -eq 0 ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
      exec "$build_dir/bin/vidmora"
    fi
    if [ $# -eq 0 ]; then
      set -- "$(sample_clip)"
    fi
    exec "$build_dir/bin/vidmora-cli" "$@"
    ;;
  test)
    install_missing
    # The check compares with a recorded commit: a copy without that history
    # (a shallow clone, an unpacked archive) cannot be checked, and says so.
    format_base=$(grep -v '^#' "$here/.ci/format-base" 2>/dev/null | tr -d '[:space:]' || true)
    if git -C "$here" cat-file -e "$format_base^{commit}" 2>/dev/null; then
      log "format of the changed lines (.ci/check_format.py)"
      python3 "$here/.ci/check_format.py"
    else
      log "format check skipped: the commit in .ci/format-base is not in this copy's history"
    fi
    log "build and tests"
    configure_and_build "$build_dir" "${build_options[@]}"
    run_tests "$build_dir"
    log "installation and .deb package (.ci/package_check.sh)"
    "$here/.ci/package_check.sh" "$build_dir"
    log "again with AddressSanitizer and UndefinedBehaviorSanitizer, from a clean folder"
    rm -rf "$sanitize_dir"
    CC=clang CXX=clang++ configure_and_build "$sanitize_dir" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
      -DVIDMORA_TESTS=ON -DVIDMORA_SANITIZE=ON -DVIDMORA_FUZZ=ON -DVIDMORA_BENCHMARKS=OFF
    # clang-tidy reads that clang build's commands and generated headers.
    tidy_base=$(grep -v '^#' "$here/.ci/tidy-base" 2>/dev/null | tr -d '[:space:]' || true)
    if git -C "$here" cat-file -e "$tidy_base^{commit}" 2>/dev/null; then
      log "clang-tidy over the changed files (.ci/check_tidy.py)"
      python3 "$here/.ci/check_tidy.py" "$sanitize_dir"
    else
      log "clang-tidy check skipped: the commit in .ci/tidy-base is not in this copy's history"
    fi
    run_tests "$sanitize_dir"
    run_tsan_tests
    ;;
  tsan)
    install_missing
    run_tsan_tests
    ;;
  *)
    sed -n '2,16p' "$0" >&2
    exit 2
    ;;
esac
