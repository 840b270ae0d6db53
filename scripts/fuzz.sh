#!/usr/bin/env bash
# Builds the fuzz targets with clang (AddressSanitizer, UndefinedBehaviorSanitizer)
# into ./build-fuzz and runs each for SECONDS (default 30): first the inputs kept
# under fuzz/regressions/<target>/ (each once crashed the program), then new
# inputs grown from the seeds under fuzz/corpus/<target>/. Fails on any crash,
# hang or sanitizer report; the input that caused it is left in
# build-fuzz/artifacts/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
build=${FUZZ_BUILD_DIR:-build-fuzz}
all=(dbf_reader cp1252 conversions settings_file registry request_table hotsync_protocol text_import
    legacy_file)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DAMBITRA_FUZZ=ON -DBUILD_TESTING=OFF -DAMBITRA_BENCH=OFF -DAMBITRA_BUILD_UI=OFF \
    "${launcher[@]}" >/dev/null
cmake --build "$build" --target "${targets[@]/%/_fuzz}"

mkdir -p "$build/artifacts"
export QT_QPA_PLATFORM=offscreen
for target in "${targets[@]}"; do
    binary=$build/fuzz/${target}_fuzz
    # libmdb itself leaks a few bytes of its property lists on some damaged files
    # (inside the library, nothing of ours); crashes and hangs still fail the run.
    export ASAN_OPTIONS=detect_leaks=1
    [ "$target" = legacy_file ] && export ASAN_OPTIONS=detect_leaks=0
    if [ -d "fuzz/regressions/$target" ] && [ -n "$(ls -A "fuzz/regressions/$target")" ]; then
        echo "== $target: regression inputs"
        "$binary" -runs=0 "fuzz/regressions/$target"/* >/dev/null 2>"$build/artifacts/$target-regressions.log" ||
            { cat "$build/artifacts/$target-regressions.log"; echo "FAIL: $target regression"; exit 1; }
    fi
    corpus=$build/corpus/$target
    mkdir -p "$corpus"
    seeds=()
    [ -d "fuzz/corpus/$target" ] && seeds=("fuzz/corpus/$target")
    echo "== $target: ${seconds} s"
    if ! "$binary" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
        "$corpus" "${seeds[@]}" >"$build/artifacts/$target.log" 2>&1; then
        tail -40 "$build/artifacts/$target.log"
        echo "FAIL: $target"
        exit 1
    fi
    grep -E "stat::number_of_executed_units|cov:" "$build/artifacts/$target.log" | tail -2
done
echo "fuzz: ${#targets[@]} targets, no crash"
