#!/usr/bin/env python3
"""Checks deploy/kubernetes/: the Indexed Job parses, its exit-code rules are
the ones vidmora-cli gives (as cli/commands.h defines them and --help says),
and its shards cover the completions.

    tests/cluster/kubernetes_manifest_test.py [PROGRAM_FOLDER]
"""
import os
import re
import subprocess
import sys

import yaml

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def program_exit_codes():
    """The exit codes that cli/commands.h defines, by name."""
    with open(os.path.join(ROOT, "cli", "commands.h"), encoding="utf-8") as header:
        text = header.read()
    return {name: int(value) for name, value in re.findall(r"constexpr int (kExit\w+) = (\d+);", text)}


def main():
    codes = program_exit_codes()
    check(codes.get("kExitFailed") == 1 and codes.get("kExitUsage") == 2 and codes.get("kExitTempFail") == 75,
          f"cli/commands.h defines {codes}")
    if len(sys.argv) > 1:
        helped = subprocess.run([os.path.join(sys.argv[1], "vidmora-cli"), "--help"], capture_output=True,
                                text=True, env=dict(os.environ, QT_QPA_PLATFORM="offscreen"), check=False)
        check("75 the run was interrupted" in helped.stdout, "vidmora-cli --help does not name exit code 75")

    with open(os.path.join(ROOT, "deploy", "kubernetes", "vidmora-indexed-job.yaml"), encoding="utf-8") as manifest:
        documents = [d for d in yaml.safe_load_all(manifest) if d]
    jobs = [d for d in documents if d.get("kind") == "Job"]
    check(len(jobs) == 1, f"{len(jobs)} Jobs in the manifest")
    job = jobs[0]
    spec = job["spec"]
    check(job.get("apiVersion") == "batch/v1", "the Job is not batch/v1")
    check(spec.get("completionMode") == "Indexed", "completionMode is not Indexed")
    check(isinstance(spec.get("backoffLimitPerIndex"), int) and spec["backoffLimitPerIndex"] >= 1,
          "no backoffLimitPerIndex")
    pod = spec["template"]["spec"]
    check(pod.get("restartPolicy") == "Never", "a pod failure policy needs restartPolicy Never")
    containers = {c["name"]: c for c in pod["containers"]}

    by_action = {}
    for rule in spec["podFailurePolicy"]["rules"]:
        exits = rule.get("onExitCodes")
        if not exits:
            continue
        check(exits.get("operator") == "In", f"rule {rule} is not an In rule")
        check(exits.get("containerName") in containers, f"rule {rule} names no container of the pod")
        for value in exits["values"]:
            check(value not in by_action, f"exit code {value} is in two rules")
            by_action[value] = rule["action"]
    check(by_action.get(codes["kExitFailed"]) == "FailIndex", "exit 1 (a bad file) does not fail the index")
    check(by_action.get(codes["kExitUsage"]) == "FailIndex", "exit 2 (usage) does not fail the index")
    check(by_action.get(codes["kExitTempFail"]) == "Count", "exit 75 (worth a retry) is not retried")
    check(0 not in by_action, "exit 0 is a rule's")

    args = containers["vidmora"]["args"]
    option = lambda name: args[args.index(name) + 1] if name in args else None
    check(option("--shard") == "auto", "the pods do not take --shard auto")
    check(option("--shards") == str(spec["completions"]), "--shards is not the number of completions")
    check("--skip-existing" in args, "a retried index would make its outputs again (no --skip-existing)")
    check(option("--report") == "jsonl", "no --report jsonl")

    with open(os.path.join(ROOT, "deploy", "kubernetes", "Containerfile"), encoding="utf-8") as recipe:
        containerfile = recipe.read()
    check("FROM debian:12" in containerfile, "the container is not Debian 12")
    check(re.search(r"apt-get install .*vidmora_\*_amd64\.deb", containerfile) is not None,
          "the container is not built from the .deb")

    for failure in failures:
        print(f"kubernetes_manifest_test: FAILED: {failure}", file=sys.stderr)
    if not failures:
        print("kubernetes_manifest_test: the Indexed Job parses and its exit-code rules are the program's")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
