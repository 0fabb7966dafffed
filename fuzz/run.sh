#!/bin/sh
# Runs fuzz targets one after the other: run.sh BUILD_DIR SECONDS [TARGET...]
# (all targets when none is named). Each starts from its seed corpus in the
# repository; new inputs collect in BUILD_DIR/fuzz-corpus/<name>, findings in
# BUILD_DIR/fuzz-findings/<name>. Prints executions and findings per target and
# fails when any target found something.
set -u
build=$1; seconds=$2; shift 2
here=$(cd "$(dirname "$0")" && pwd)
targets=${*:-$(ls "$here/targets" | sed 's/\.cpp$//')}
status=0
summary=""
for t in $targets; do
  work="$build/fuzz-corpus/$t"; findings="$build/fuzz-findings/$t"
  mkdir -p "$work" "$findings"
  log="$build/fuzz-$t.log"
  echo "== fuzz_$t for $seconds s"
  ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=0 \
  "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -rss_limit_mb=2560 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$work" "$here/corpus/$t" >"$log" 2>&1
  rc=$?
  runs=$(grep -o "number_of_executed_units: [0-9]*" "$log" | tail -1 | cut -d" " -f2)
  found=$(ls "$findings" | wc -l)
  line="fuzz_$t: ${runs:-?} executions, $found finding(s), exit $rc"
  echo "$line"
  summary="$summary$line
"
  if [ "$rc" != 0 ] || [ "$found" != 0 ]; then status=1; tail -40 "$log"; fi
done
printf '\n%s' "$summary"
exit $status
