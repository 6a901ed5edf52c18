#!/usr/bin/env python3
"""Runs clang-tidy (.clang-tidy) over the C and C++ files changed since .ci/tidy-base.

  .ci/check_tidy.py BUILD_DIR        BUILD_DIR is a clang build with compile_commands.json
                                     (CMAKE_EXPORT_COMPILE_COMMANDS=ON) whose generated
                                     headers exist; exit 1 when clang-tidy warns anywhere
  .ci/check_tidy.py --all BUILD_DIR  the same over every source file the build compiles

"Changed" is what .ci/check_format.py takes for changed, from the commit in
.ci/tidy-base: added, edited or moved since it. A changed source file is checked whole, with the project's
headers it includes; a changed header is checked through the source file of the same
name beside it. Files the build does not compile (a test's helper script, a fuzzer in
a build without fuzzers) are passed over and counted. Only changed files are read, so
the check stays quick; --all checks the whole tree, file by file, which takes long.
Findings are reported in the checkout's own files only, not in a build folder's
generated code.
"""

import concurrent.futures
import json
import os
import pathlib
import re
import subprocess
import sys
import tempfile

from check_format import ROOT, changed_lines, git, read_base

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


def header_filter():
    """The headers of the checkout's own folders: the ones git tracks. A build folder's
    generated code (moc and uic output, which a test may include) is Qt's, not ours."""
    folders = sorted({path.split("/")[0] for path in git("ls-files").splitlines() if "/" in path})
    special = set(".^$|()[]*+?{}\\")
    escape = lambda text: "".join("\\" + c if c in special else c for c in text)
    return "^" + escape(str(ROOT)) + "/(" + "|".join(escape(f) for f in folders) + ")/"


UNITY_INCLUDE = re.compile(r'^#include "(.+)"$', re.MULTILINE)


def per_source_database(database, folder):
    """Writes the build's compile commands into `folder` with a unity build's grouped
    files (CMake's Unity/unity_N_cxx.cxx) replaced by the sources they include, each
    with its group's command, so that clang-tidy finds every source; returns the
    sources."""
    entries = []
    for entry in database:
        grouped = pathlib.Path(entry["directory"], entry["file"])
        if grouped.parent.name != "Unity":
            entries.append(entry)
            continue
        for source in UNITY_INCLUDE.findall(grouped.read_text()):
            single = dict(entry, file=source)
            if "command" in single:
                single["command"] = single["command"].replace(entry["file"], source)
            else:
                single["arguments"] = [source if a == entry["file"] else a for a in single["arguments"]]
            entries.append(single)
    (folder / "compile_commands.json").write_text(json.dumps(entries))
    return {pathlib.Path(e["directory"], e["file"]).resolve() for e in entries}


def tidy(build_dir, source, headers):
    result = subprocess.run(["clang-tidy", "-p", str(build_dir), "--quiet", "--header-filter=" + headers,
                             str(source)], cwd=ROOT,
                            capture_output=True, text=True)
    # Without --quiet's summary, what is left is the findings; a clean file prints nothing
    # but the count of warnings clang-tidy suppressed in system headers.
    findings = [line for line in result.stdout.splitlines() if line.strip()]
    return source, result.returncode, findings, result.stderr


def main():
    arguments = sys.argv[1:]
    whole_tree = arguments[:1] == ["--all"]
    if whole_tree:
        arguments = arguments[1:]
    if len(arguments) != 1:
        sys.exit(__doc__)
    build_dir = pathlib.Path(arguments[0]).resolve()
    database = json.loads((build_dir / "compile_commands.json").read_text())
    commands = tempfile.TemporaryDirectory(prefix="check-tidy-")
    compiled = per_source_database(database, pathlib.Path(commands.name))
    if whole_tree:
        tracked = {(ROOT / path).resolve() for path in git("ls-files").splitlines()}
        sources, changed = sorted(compiled & tracked), len(tracked)
    else:
        sources, changed = changed_sources(compiled)
    failed = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        headers = header_filter()
        for source, code, findings, errors in pool.map(lambda s: tidy(commands.name, s, headers), sources):
            if code != 0 or findings:
                failed += 1
                print("\n".join(findings) or errors)
    print(f"clang-tidy: {len(sources)} source file(s) for {changed} changed file(s), "
          f"{failed} with findings", file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
