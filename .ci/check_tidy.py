#!/usr/bin/env python3
"""Runs clang-tidy (.clang-tidy) over the C and C++ files changed since .ci/tidy-base.

  .ci/check_tidy.py BUILD_DIR    BUILD_DIR is a clang build with compile_commands.json
                                 (CMAKE_EXPORT_COMPILE_COMMANDS=ON) whose generated
                                 headers exist; exit 1 when clang-tidy warns anywhere

"Changed" is what .ci/check_format.py takes for changed, from the commit in
.ci/tidy-base: added, edited or moved since it. A changed source file is checked whole, with the project's
headers it includes; a changed header is checked through the source file of the same
name beside it. Files the build does not compile (a test's helper script, a fuzzer in
a build without fuzzers) are passed over and counted. Only changed files are read, so
the check stays quick; the whole tree is checked with run-clang-tidy -p BUILD_DIR.
"""

import concurrent.futures
import json
import os
import pathlib
import subprocess
import sys

from check_format import ROOT, changed_lines, read_base

BASE_FILE = ROOT / ".ci" / "tidy-base"


def changed_sources(compiled):
    changed = changed_lines(read_base(BASE_FILE))
    sources = set()
    for path in changed:
        full = (ROOT / path).resolve()
        if full.suffix == ".h":
            full = next((s for s in (full.with_suffix(".cpp"), full.with_suffix(".c")) if s in compiled), full)
        if full in compiled:
            sources.add(full)
    return sorted(sources), len(changed)


def tidy(build_dir, source):
    result = subprocess.run(["clang-tidy", "-p", str(build_dir), "--quiet", str(source)], cwd=ROOT,
                            capture_output=True, text=True)
    # Without --quiet's summary, what is left is the findings; a clean file prints nothing
    # but the count of warnings clang-tidy suppressed in system headers.
    findings = [line for line in result.stdout.splitlines() if line.strip()]
    return source, result.returncode, findings, result.stderr


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    build_dir = pathlib.Path(sys.argv[1]).resolve()
    database = json.loads((build_dir / "compile_commands.json").read_text())
    compiled = {pathlib.Path(entry["directory"], entry["file"]).resolve() for entry in database}
    sources, changed = changed_sources(compiled)
    failed = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        for source, code, findings, errors in pool.map(lambda s: tidy(build_dir, s), sources):
            if code != 0 or findings:
                failed += 1
                print("\n".join(findings) or errors)
    print(f"clang-tidy: {len(sources)} source file(s) for {changed} changed file(s), "
          f"{failed} with findings", file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
