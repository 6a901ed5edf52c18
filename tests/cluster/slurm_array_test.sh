#!/usr/bin/env bash
# Runs deploy/slurm/vidmora-array.sbatch through a real, one-node Slurm on this
# machine: munged, slurmctld and slurmd started here (configuration, state and
# logs in a temporary folder, the node at 127.0.0.1, the daemons in a network
# namespace that has only loopback), an array of 3 tasks over
# 7 generated clips of which one is broken. Checks that every good clip is
# written once, that the broken one fails its task with exit 1, that a task
# stopped with SIGTERM exits 75 and that a requeue of it finishes the rest.
# Every daemon it started is stopped by its process id.
#
#   tests/cluster/slurm_array_test.sh [PROGRAM_FOLDER]   (default: build/bin)
#
# Needs root (the daemons, and installing slurmctld slurmd slurm-client munge
# when they are missing). Exit status: 0 passed, 1 failed, 77 cannot run here
# (the reason is printed).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
bin=$(cd "${1:-$here/build/bin}" && pwd)
deadline=$((SECONDS + ${SLURM_TEST_SECONDS:-420}))

say() { printf 'slurm_array_test: %s\n' "$*" >&2; }
skip() { say "SKIPPED: $*"; exit 77; }
fail() { say "FAILED: $*"; show_logs; exit 1; }

[ "$(id -u)" -eq 0 ] || skip "needs root: munged, slurmctld and slurmd are started as root"
[ -x "$bin/vidmora-cli" ] || skip "no $bin/vidmora-cli: build first"
command -v ffmpeg >/dev/null || skip "no ffmpeg program to make the clips"

packages=(slurmctld slurmd slurm-client munge)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  command -v apt-get >/dev/null || skip "missing packages ${missing[*]} and no apt-get"
  say "installing ${missing[*]}"
  # policy-rc.d keeps the packages from starting their own daemons.
  if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null 2>&1 &&
     ! { DEBIAN_FRONTEND=noninteractive apt-get update -q >/dev/null 2>&1 &&
         DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null 2>&1; }; then
    skip "cannot install ${missing[*]} (no network or no package source)"
  fi
fi
for program in munged slurmctld slurmd sbatch scontrol sinfo; do
  command -v "$program" >/dev/null || [ -x "/usr/sbin/$program" ] || skip "no $program after installing ${packages[*]}"
done
export PATH=$PATH:/usr/sbin

# slurmctld and slurmd listen on every address of the machine, and slurmctld
# cannot be told otherwise. So the daemons run in a network namespace of
# their own whose only interface is loopback: nothing off this namespace can
# reach them. glibc counts an IPv4 address as configured (AI_ADDRCONFIG, which
# Slurm asks for) only when one other than 127.0.0.1 exists, hence 127.0.0.2.
if [ -z "${VIDMORA_SLURM_OWN_NETWORK:-}" ]; then
  command -v unshare >/dev/null && command -v ip >/dev/null ||
    skip "needs unshare and ip to keep the daemons on a loopback-only network"
  unshare --net true 2>/dev/null || skip "cannot make a network namespace of its own (unshare --net refused)"
  exec unshare --net env VIDMORA_SLURM_OWN_NETWORK=1 bash -c \
    'ip link set lo up && ip addr add 127.0.0.2/32 dev lo && exec "$0" "$@"' "$0" "$@"
fi
if ip -o addr show | grep -v ' lo ' | grep -q inet; then
  say "FAILED: the daemons' network namespace has an interface other than loopback"
  exit 1
fi
say "daemons in a network namespace of their own: $(ip -o -4 addr show | awk '{printf "%s %s  ", $2, $4}')"

work=$(mktemp -d /tmp/vidmora-slurm-XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
  # Only the daemons this script started, by their process ids.
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT
show_logs() {
  for log in "$work"/*.log "$work"/run/*.log; do
    [ -f "$log" ] || continue
    say "--- $log"
    tail -n 20 "$log" >&2
  done
}

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# munge: its own key and socket in the work folder.
mkdir -p "$work/munge" "$work/state" "$work/spool" "$work/run" "$work/home" "$work/clips" "$work/out"
dd if=/dev/urandom of="$work/munge/munge.key" bs=1024 count=1 status=none
chmod 755 "$work/munge"
chmod 400 "$work/munge/munge.key"
munged -F --force --key-file="$work/munge/munge.key" --socket="$work/munge/socket" \
  --pid-file="$work/munge/munged.pid" --log-file="$work/munged.log" --seed-file="$work/munge/seed" \
  >"$work/munged.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -S "$work/munge/socket" ] && break; sleep 0.1; done
[ -S "$work/munge/socket" ] || fail "munged did not start"

node=vidmoranode
cpus=$(nproc)
cat > "$work/slurm.conf" <<CONF
ClusterName=vidmoratest
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$work/munge/socket
CredType=cred/munge
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SwitchType=switch/none
MpiDefault=none
LaunchParameters=use_interactive_step
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/filetxt
JobCompLoc=$work/jobcomp.txt
MinJobAge=600
KillWait=10
NodeName=$node NodeAddr=127.0.0.1 NodeHostname=$node CPUs=$cpus State=UNKNOWN
PartitionName=test Nodes=$node Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF=$work/slurm.conf

slurmctld -D -c -f "$SLURM_CONF" >"$work/slurmctld.out" 2>&1 &
pids+=($!)
slurmd -D -N "$node" -f "$SLURM_CONF" >"$work/slurmd.out" 2>&1 &
pids+=($!)
state=
for _ in $(seq 300); do
  state=$(sinfo -h -n "$node" -o %t 2>/dev/null)
  [ "$state" = idle ] && break
  sleep 0.2
done
[ "$state" = idle ] || { cat "$work"/*.out >&2; fail "the node did not become idle (state '$state')"; }
say "one-node Slurm is up (node $node at 127.0.0.1, $cpus CPUs)"

# The clips: 6 good ones, long enough that a signal finds a task encoding, and
# one broken one at position 2 (task 2's first file).
list=$work/clips.txt
: > "$list"
for i in 0 1 2 3 4 5 6; do
  clip=$work/clips/clip$i.mp4
  if [ "$i" -eq 2 ]; then
    echo "not a video" > "$clip"
  else
    ffmpeg -v error -f lavfi -i "testsrc2=size=320x240:rate=25" -f lavfi -i "sine=frequency=$((300 + i * 100))" \
      -t 6 -c:v libx264 -preset ultrafast -c:a aac -shortest -y "$clip" || fail "ffmpeg could not make $clip"
  fi
  echo "$clip" >> "$list"
done

# The tasks run as root with this environment (sbatch exports it).
export HOME=$work/home XDG_DATA_HOME=$work/home/data XDG_CONFIG_HOME=$work/home/config \
  XDG_CACHE_HOME=$work/home/cache XDG_RUNTIME_DIR=$work/home/runtime TMPDIR=$work/home
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
"$bin/vidmora-cli" templates >/dev/null || fail "vidmora-cli cannot start"
export LIST=$list OUT=$work/out VIDMORA_CLI=$bin/vidmora-cli

job=$(cd "$work/run" && sbatch --parsable --array=0-2 --chdir="$work/run" "$here/deploy/slurm/vidmora-array.sbatch") ||
  fail "sbatch refused the array"
job=${job%%;*}
say "submitted array job $job"

task_field() {  # task, field: from scontrol's record of the task
  scontrol -o show job "${job}_$1" 2>/dev/null | tr ' ' '\n' | sed -n "s/^$2=//p" | head -n 1
}
wait_for() {  # description, command...
  local what=$1
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || fail "timed out waiting for $what"
    sleep 0.1
  done
}
task_ended() {
  case $(task_field "$1" JobState) in COMPLETED|FAILED|CANCELLED|TIMEOUT|NODE_FAIL|PREEMPTED|OUT_OF_MEMORY) return 0 ;; esac
  return 1
}

# Task 1 (clips 1 and 4): SIGTERM while it encodes its first file.
log1=$work/run/vidmora-${job}_1.log
wait_for "task 1 to encode" grep -qs "clip1.mp4: encoding" "$log1"
scancel --batch --signal=TERM "${job}_1" || fail "scancel could not signal task 1"
for task in 0 1 2; do wait_for "task $task to end" task_ended $task; done

exit0=$(task_field 0 ExitCode)
exit1=$(task_field 1 ExitCode)
exit2=$(task_field 2 ExitCode)
say "exit codes: task 0 $exit0, task 1 $exit1 (stopped), task 2 $exit2 (the broken clip)"
[ "$exit0" = 0:0 ] || fail "task 0 exited $exit0, not 0"
[ "$exit1" = 75:0 ] || fail "task 1, stopped with SIGTERM, exited $exit1, not 75"
[ "$exit2" = 1:0 ] || fail "task 2 exited $exit2, not 1"
grep -q '"state":"failed"' "$work/run/vidmora-${job}_2.jsonl" || fail "task 2's report names no failed file"
# The signal stops the file being encoded when it lands: clip1, or clip4 when
# clip1 was finished by then (on a busy machine the signal takes a while).
stopped=$(sed -n 's/^\[[0-9]*\/[0-9]*\] \(clip[0-9]*\.mp4\): failed: stopped on request/\1/p' "$log1" | head -n 1)
[ -n "$stopped" ] || fail "task 1's log names no file stopped on request"
grep -q "\"retry\":\\[\"[^\"]*$stopped\"" "$work/run/vidmora-${job}_1.jsonl" ||
  fail "task 1's summary does not ask to retry $stopped"
[ "$stopped" != clip1.mp4 ] || [ ! -e "$work/out/clip4_new.mp4" ] || fail "task 1 went on after SIGTERM"

scontrol requeue "${job}_1" || fail "scontrol could not requeue task 1"
# A requeued job waits a while before it may start again; here it need not.
for _ in $(seq 50); do
  scontrol update JobId="${job}_1" StartTime=now 2>/dev/null && break
  sleep 0.2
done
wait_for "task 1 to run again" sh -c "[ \"\$(scontrol -o show job ${job}_1 | grep -o 'JobState=[A-Z]*')\" != JobState=FAILED ]"
wait_for "the requeued task 1 to end" task_ended 1
exit1=$(task_field 1 ExitCode)
say "requeued task 1 exited $exit1"
[ "$exit1" = 0:0 ] || fail "the requeued task 1 exited $exit1, not 0"

# Every good clip once, nothing of the broken one, no numbered copies, no temporaries.
expected="clip0_new.mp4 clip1_new.mp4 clip3_new.mp4 clip4_new.mp4 clip5_new.mp4 clip6_new.mp4"
written=$(cd "$work/out" && ls -A | sort | tr '\n' ' ' | sed 's/ $//')
[ "$written" = "$expected" ] || fail "the output folder holds '$written', not '$expected'"
for output in $expected; do
  frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 \
    "$work/out/$output")
  [ "${frames:-0}" -ge 140 ] || fail "$output has ${frames:-no} frames, not a whole clip"
done
say "PASSED: 6 clips written once, the broken one failed its task with 1, SIGTERM gave 75 and the requeue finished the rest"
