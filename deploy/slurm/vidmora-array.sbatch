#!/bin/bash
# Watermarks the videos of one list with a Slurm job array: each array task
# takes its share of the list (vidmora-cli --shard auto reads
# SLURM_ARRAY_TASK_ID, SLURM_ARRAY_TASK_MIN and SLURM_ARRAY_TASK_COUNT).
#
#   LIST=/shared/clips.txt OUT=/shared/watermarked \
#     sbatch --array=0-9 deploy/slurm/vidmora-array.sbatch [vidmora-cli options...]
#
# LIST holds one path a line (blank lines and lines beginning with # are
# skipped); every task must see LIST, the sources and OUT at the same paths.
# Each task prints one JSON object per file (and a summary) into its output
# file, and exits 0 (every file done or skipped), 1 (a file failed for good:
# not a video, unreadable), 2 (usage) or 75 (interrupted, disk full, output
# folder gone: worth a retry). A task stopped by SIGTERM (scancel, preemption,
# the time limit) exits 75; requeue it (scontrol requeue JOB_TASK) and, with
# --skip-existing, it does only what is left. VIDMORA_CLI names the program
# when it is not on PATH.
#SBATCH --job-name=vidmora
#SBATCH --cpus-per-task=1
#SBATCH --requeue
#SBATCH --open-mode=append
#SBATCH --output=vidmora-%A_%a.jsonl
#SBATCH --error=vidmora-%A_%a.log
set -eu
: "${LIST:?set LIST to the file that lists the videos}"
: "${OUT:?set OUT to the output folder}"
# exec: the scheduler's signals reach vidmora-cli itself.
exec "${VIDMORA_CLI:-vidmora-cli}" --files-from "$LIST" --shard auto --skip-existing --report jsonl \
  --jobs "${SLURM_CPUS_PER_TASK:-1}" --output-dir "$OUT" "$@"
