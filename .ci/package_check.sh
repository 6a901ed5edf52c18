#!/usr/bin/env bash
# Installs a built tree with `cmake --install` and packs it with `cpack -G DEB`,
# both into a temporary folder, and checks what they hold: the programs and
# their links in /usr/bin, the programs' own libraries (which must load from the
# installed folder), the language files and the skin, the desktop entry, the
# icons, the copyright, changelog and manual pages, the control data and
# maintainer scripts, that a file manager's "Open with" starts it (a second
# start hands its files to the first window), and lintian's verdict.
#
#   .ci/package_check.sh BUILD_DIR
set -euo pipefail

build=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
problems=0
problem() { printf 'package: %s\n' "$*" >&2; problems=$((problems + 1)); }

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
program_dir=usr/lib/$multiarch/vidmora

# What a tree (the installed folder or the unpacked .deb) must hold.
check_tree() {  # root, what it is
  local root=$1 what=$2 p f
  for p in vidmora vidmora-cli vidplay feedback; do
    [ -x "$root/$program_dir/$p" ] || problem "$what: $program_dir/$p is missing or not executable"
  done
  for p in vidmora vidmora-cli vidplay; do
    [ "$(readlink "$root/usr/bin/$p" || true)" = "../lib/$multiarch/vidmora/$p" ] ||
      problem "$what: usr/bin/$p is not a link to the program folder"
  done
  for f in quorvil lorvane glyphra vencor; do
    file -L "$root/$program_dir/lib$f.so" | grep -q 'ELF .* shared object' ||
      problem "$what: $program_dir/lib$f.so is missing or not a shared library"
  done
  # The programs find their libraries beside them, wherever the folder is.
  for p in vidmora vidmora-cli vidplay feedback lib{quorvil,lorvane,glyphra,vencor}.so; do
    if ldd "$root/$program_dir/$p" 2>&1 | grep -q 'not found'; then
      problem "$what: $p does not find all its libraries: $(ldd "$root/$program_dir/$p" | grep 'not found' | xargs)"
    fi
  done
  for f in "$here"/lang/*.ini; do
    cmp -s "$f" "$root/$program_dir/lang/$(basename "$f")" || problem "$what: lang/$(basename "$f") is missing or differs"
  done
  [ -n "$(find "$root/$program_dir/skin" -name '*.png' -print -quit 2>/dev/null)" ] || problem "$what: skin/ holds no pictures"
  cmp -s "$here/packaging/vidmora.desktop" "$root/usr/share/applications/vidmora.desktop" ||
    problem "$what: the desktop entry is missing or differs"
  desktop-file-validate "$root/usr/share/applications/vidmora.desktop" >&2 || problem "$what: desktop-file-validate failed"
  for size in 48 256 512; do
    file "$root/usr/share/icons/hicolor/${size}x${size}/apps/vidmora.png" 2>/dev/null | grep -q "PNG image data, $size x $size" ||
      problem "$what: the ${size}x${size} icon is missing or has another size"
  done
  [ -f "$root/usr/share/doc/vidmora/copyright" ] || problem "$what: the copyright file is missing"
  gzip -t "$root/usr/share/doc/vidmora/changelog.gz" 2>/dev/null || problem "$what: changelog.gz is missing or broken"
  for p in vidmora vidmora-cli vidplay; do
    gzip -t "$root/usr/share/man/man1/$p.1.gz" 2>/dev/null || problem "$what: the manual page of $p is missing or broken"
  done
  [ -f "$root/usr/lib/systemd/user/vidmora-watch.service" ] || problem "$what: the watch folder's user unit is missing"
  # The installed command-line program starts and loads its libraries.
  "$root/usr/bin/vidmora-cli" --version >/dev/null || problem "$what: the installed vidmora-cli --version failed"
}

printf '== install\n' >&2
DESTDIR=$work/install cmake --install "$build" --prefix /usr >/dev/null
check_tree "$work/install" "cmake --install"

printf '== package\n' >&2
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/deb" >/dev/null
debs=("$work"/deb/vidmora_*.deb)
[ -f "${debs[0]}" ] || { problem "cpack made no vidmora_*.deb"; exit 1; }
deb=${debs[0]}
dpkg-deb -x "$deb" "$work/unpacked"
check_tree "$work/unpacked" "the .deb"

# The package holds what the installation holds, file for file.
diff <(cd "$work/install" && find . -mindepth 1 ! -type d | sort) \
     <(cd "$work/unpacked" && find . -mindepth 1 ! -type d | sort) >&2 ||
  problem "the .deb and cmake --install hold different files"
# Stripped: the package carries no debugging information.
if find "$work/unpacked/$program_dir" -type f -exec file {} + | grep -q 'with debug_info'; then
  problem "the .deb holds unstripped programs or libraries"
fi

# Control data: the dependencies dpkg-shlibdeps found, and maintainer scripts
# only where they do something. The programs' own libraries live in a private
# folder, so there is no ldconfig trigger; any script is a strict sh script.
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libavcodec59 libmpv2 libmediainfo0v5 fonts-liberation2; do
  grep -q "$needed" <<<"$depends" || problem "Depends lacks $needed: $depends"
done
mkdir "$work/control"
dpkg-deb -e "$deb" "$work/control"
[ -f "$work/control/md5sums" ] || problem "the .deb has no md5sums"
if [ -f "$work/control/triggers" ] && grep -q ldconfig "$work/control/triggers"; then
  problem "the .deb activates ldconfig for libraries the dynamic linker never looks for"
fi
for script in preinst postinst prerm postrm; do
  f=$work/control/$script
  [ -e "$f" ] || continue
  [ "$(stat -c %a "$f")" = 755 ] || problem "$script has mode $(stat -c %a "$f"), not 755"
  head -1 "$f" | grep -qE '^#! ?/bin/sh' || problem "$script does not start with #!/bin/sh"
  grep -qE '^set -e|^#! ?/bin/sh -e' "$f" || problem "$script does not stop at the first error (set -e)"
done

# "Open with": a file manager runs the entry's Exec line with the chosen files in
# place of %F. The first start shows the files in its list; a second start hands
# its files to the window that runs and ends; the window's kept list (queue.json)
# then holds both. Run from the unpacked package, offscreen, in a home of its own.
printf '== open with\n' >&2
open_home=$work/open-with
mkdir -p "$open_home/clips" "$open_home/runtime"
chmod 700 "$open_home/runtime"
for clip in a.mp4 "b c.mp4"; do
  ffmpeg -v error -f lavfi -i testsrc2=size=160x120:rate=25:duration=0.5 -c:v libx264 -pix_fmt yuv420p \
    "$open_home/clips/$clip"
done
open_with() {  # FILE...
  local words argv=() w
  read -r -a words <<<"$(sed -n 's/^Exec=//p' "$work/unpacked/usr/share/applications/vidmora.desktop")"
  for w in "${words[@]}"; do
    if [ "$w" = %F ]; then argv+=("$@"); else argv+=("$w"); fi
  done
  argv[0]=$work/unpacked/usr/bin/${argv[0]}
  env -i PATH="$PATH" HOME="$open_home" XDG_DATA_HOME="$open_home/data" XDG_CONFIG_HOME="$open_home/config" \
    XDG_CACHE_HOME="$open_home/cache" XDG_RUNTIME_DIR="$open_home/runtime" TMPDIR="$open_home" \
    QT_QPA_PLATFORM=offscreen "${argv[@]}"
}
listed() {  # NAME: waits up to 30 s for the window's kept list to name it
  local i
  for ((i = 0; i < 60; i++)); do
    grep -qF "$1" "$open_home/data/Vidmora/queue.json" 2>/dev/null && return 0
    sleep 0.5
  done
  return 1
}
open_with "$open_home/clips/a.mp4" >"$open_home/first.log" 2>&1 &
first=$!
if ! listed a.mp4; then
  problem "open with: the window started with a file does not list it"
elif ! timeout 30 bash -c "$(declare -f open_with); $(declare -p work open_home); open_with \"\$1\"" _ \
    "$open_home/clips/b c.mp4" >"$open_home/second.log" 2>&1; then
  problem "open with: a second start did not hand its file over and end: $(cat "$open_home/second.log")"
elif ! kill -0 "$first" 2>/dev/null; then
  problem "open with: the first window ended when the second start came"
elif ! listed "b c.mp4"; then
  problem "open with: the running window did not list the file of the second start"
fi
kill "$first" 2>/dev/null || true
wait "$first" 2>/dev/null || true

# lintian on the package: errors and warnings fail. Its exit status says only
# whether it ran (--fail-on none); what it found is read from its output.
printf '== lintian\n' >&2
if ! lintian_out=$(lintian --fail-on none --tag-display-limit 0 "$deb" 2>&1); then
  printf '%s\n' "$lintian_out" >&2
  problem "lintian did not run"
elif grep -E '^[EW]: ' <<<"$lintian_out" >&2; then
  problem "lintian has errors or warnings (above)"
fi

if [ "$problems" -gt 0 ]; then
  printf 'package: %d problem(s)\n' "$problems" >&2
  exit 1
fi
printf 'package: %s and its installation hold what they should\n' "$(basename "$deb")" >&2
