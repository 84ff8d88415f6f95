#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang (ASan + UBSan) into ./build-fuzz and runs each
# for the given number of seconds (default 30), starting from the seed corpus in
# tests/fuzz/corpus/<harness>/. New inputs collect in build-fuzz/corpus/<harness>/ (the
# checked-in seeds are never written); a finding is saved in build-fuzz/findings/ and
# ends the script with a failure.
#
#   ./tools/fuzz.sh [seconds-per-harness]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
harnesses=(frame_splitter report_parsers apply_frame device_core preset_payload setting_file update_page update_replies)

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DKRM_FUZZ=ON -DKRM_BUILD_UI=OFF -DKRM_BUILD_TESTS=OFF -DKRM_BUILD_BENCH=OFF \
      "${launcher[@]}" >/dev/null
cmake --build build-fuzz --target "${harnesses[@]/#/fuzz_}"

mkdir -p build-fuzz/findings
# A smaller quarantine keeps the harnesses that build whole dumps quick and small.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:quarantine_size_mb=64}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
failed=()
for h in "${harnesses[@]}"; do
    work="build-fuzz/corpus/$h"
    mkdir -p "$work"
    echo "== fuzz_$h for ${seconds} s"
    # The dump, the longest frame, is about 2,500 characters; room for a few of them.
    if ! "build-fuzz/tests/fuzz/fuzz_$h" "$work" "tests/fuzz/corpus/$h" \
            -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=1024 \
            -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$h-" \
            >"build-fuzz/fuzz_$h.log" 2>&1; then
        failed+=("$h")
        tail -n 40 "build-fuzz/fuzz_$h.log"
    fi
    grep -E '^stat::number_of_executed_units|^Done' "build-fuzz/fuzz_$h.log" || true
done
if ((${#failed[@]})); then
    echo "fuzz findings in: ${failed[*]} (inputs in build-fuzz/findings/)"
    exit 1
fi
echo "== fuzzing found nothing"
