#!/usr/bin/env python3
"""Checks that the C and C++ lines changed since a recorded commit follow .clang-format.

  .ci/check_format.py          print how the changed lines differ; exit 1 when any does
  .ci/check_format.py --fix    reformat those lines in place

"Changed" is what `git diff -M` shows between the commit named in .ci/format-base
and the working tree: the lines added or edited in a file, every line of a new
file, only the edited lines of a moved one. Code older than the base keeps its
layout until someone edits it, so no commit has to reformat whole files (which
would bury its change and clash with other branches), and the share of the tree
in the format grows with every change. The base is an ancestor of every branch;
moving it forward is a commit like any other.
"""

import difflib
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
BASE_FILE = ROOT / ".ci" / "format-base"
SOURCES = ["*.c", "*.cpp", "*.h"]
HUNK = re.compile(r"^@@ -\S+ \+(\d+)(?:,(\d+))? @@")


def git(*args):
    return subprocess.run(["git", "-C", str(ROOT), *args], check=True, capture_output=True, text=True).stdout


def read_base(base_file=BASE_FILE):
    words = [w for line in base_file.read_text().splitlines() if not line.startswith("#") for w in line.split()]
    if not words:
        sys.exit(f"{base_file}: names no commit")
    base = words[0]
    if subprocess.run(["git", "-C", str(ROOT), "cat-file", "-e", base + "^{commit}"],
                      capture_output=True).returncode != 0:
        sys.exit(f"the format base {base} is not in this clone (a shallow clone? git fetch --unshallow)")
    return base


def changed_lines(base):
    """{path: [(first, last), ...]} of the lines changed since `base`, 1-based."""
    diff = git("diff", "-M", "-U0", "--no-color", "--no-ext-diff", "--diff-filter=AMR", base, "--", *SOURCES)
    ranges = {}
    path = None
    for line in diff.splitlines():
        if line.startswith("+++ "):
            path = line[6:] if line.startswith("+++ b/") else None
        elif path and (match := HUNK.match(line)):
            first, count = int(match.group(1)), int(match.group(2) or 1)
            if count:
                ranges.setdefault(path, []).append((first, first + count - 1))
    return ranges


def main():
    fix = "--fix" in sys.argv[1:]
    ranges = changed_lines(read_base())
    wrong = 0
    for path, spans in sorted(ranges.items()):
        command = ["clang-format", "--style=file", *(f"--lines={a}:{b}" for a, b in spans)]
        if fix:
            subprocess.run([*command, "-i", path], cwd=ROOT, check=True)
            continue
        text = (ROOT / path).read_text()
        formatted = subprocess.run([*command, path], cwd=ROOT, check=True, capture_output=True, text=True).stdout
        if formatted != text:
            wrong += 1
            sys.stdout.writelines(difflib.unified_diff(text.splitlines(True), formatted.splitlines(True),
                                                       f"a/{path}", f"b/{path}"))
    if wrong:
        print(f"\n{wrong} file(s) have changed lines that do not follow .clang-format; "
              f".ci/check_format.py --fix reformats those lines", file=sys.stderr)
        return 1
    done = "were reformatted" if fix else "follow .clang-format"
    print(f"format: the changed lines of {len(ranges)} file(s) {done}", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
