#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a number of seconds each, one after the other.
# Each target starts from its seed corpus, copied into a scratch folder under the build folder
# (the repository stays clean); what a run adds to the corpus and any crashing input stay
# there. Fails when any target finds a crash, a leak or a broken invariant.
#   tests/fuzz/run-fuzzers.sh BUILD_DIR SECONDS [TARGET...]
set -uo pipefail
build=$(realpath "$1")
seconds=$2
shift 2
source_dir=$(cd "$(dirname "$0")" && pwd)

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for binary in "$build"/bin/fuzz_*; do
    targets+=("$(basename "$binary")")
  done
fi

failed=()
for target in "${targets[@]}"; do
  name=${target#fuzz_}
  scratch="$build/runs/$name"
  rm -rf "$scratch"
  mkdir -p "$scratch/corpus" "$scratch/crashes"
  if [ -d "$source_dir/corpus/$name" ]; then
    cp "$source_dir/corpus/$name"/* "$scratch/corpus/"
  fi
  echo "fuzz: $target for ${seconds}s"
  if ! (cd "$scratch" && \
        ASAN_OPTIONS=abort_on_error=0:detect_leaks=1 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$build/bin/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
          -print_final_stats=1 -artifact_prefix="$scratch/crashes/" corpus \
          > "$scratch/log.txt" 2>&1); then
    failed+=("$target")
    echo "fuzz: $target FAILED; input and log in $scratch" >&2
    tail -n 40 "$scratch/log.txt" >&2
  fi
  grep -E '^stat::number_of_executed_units' "$scratch/log.txt" | sed "s/^/fuzz: $target /"
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: findings in ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: no findings in ${#targets[@]} targets"
