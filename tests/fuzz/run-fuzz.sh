#!/bin/sh
# Runs a fuzz target for a while, seeded from the files of a folder.
#   run-fuzz.sh FUZZER SEEDS SECONDS ARTIFACTS
set -eu
fuzzer=$1 corpus=$2 seconds=$3 artifacts=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/seeds" "$work/new" "$artifacts"
# Files of the folder below 200 KB are the seeds (copied: the fuzzer writes
# new inputs into its corpus folders, never into the shared one).
n=0
find "$corpus" -type f -size -200k | while IFS= read -r f; do
  n=$((n + 1))
  cp "$f" "$work/seeds/seed$n"
done
TESSEL2_HOME="$work" "$fuzzer" -max_total_time="$seconds" -max_len=16384 -timeout=20 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$artifacts/" "$work/new" "$work/seeds"
