#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# in their own build folder and runs each for a while on a scratch copy of its seed
# corpus (the corpus in the repository never grows).
#
# usage: fuzz/run.sh [BUILD_DIR [SECONDS]]     (defaults: build-fuzz, 60)
#
# Prints one summary line per target and exits non-zero when a target crashed, leaked,
# hung, ran out of memory or could not be built. Crashing inputs are kept under
# BUILD_DIR/fuzz-scratch/<target>/ and named in the summary.
set -uo pipefail

REPO=$(cd "$(dirname "$0")/.." && pwd) || exit 1
BUILD_DIR=$(realpath -m "${1:-$REPO/build-fuzz}") || exit 1
readonly REPO BUILD_DIR
readonly SECONDS_PER_TARGET=${2:-60}
readonly TARGETS=(engine_fuzz height_image_fuzz texture_fuzz)
# Largest input per target: a 65 x 65 float grid with fog fits in 16 KiB; image seeds
# are small files, and 32 KiB still holds a 100 x 100 24-bit BMP.
declare -A MAX_LEN=([engine_fuzz]=16384 [height_image_fuzz]=32768 [texture_fuzz]=32768)
declare -A CORPUS=([engine_fuzz]=engine [height_image_fuzz]=height_image [texture_fuzz]=texture)
readonly SANITIZERS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
readonly INPUT_TIMEOUT_S=30
readonly RSS_LIMIT_MB=2048

if ! [[ $SECONDS_PER_TARGET =~ ^[0-9]+$ ]] || ((SECONDS_PER_TARGET < 1)); then
    echo "usage: $0 [BUILD_DIR [SECONDS]]; SECONDS must be a positive whole number" >&2
    exit 2
fi
for tool in clang clang++ cmake; do
    if ! command -v "$tool" >/dev/null; then
        echo "fuzz: $tool is not installed (Debian: clang, cmake)" >&2
        exit 1
    fi
done

echo "fuzz: building in $BUILD_DIR"
mkdir -p "$BUILD_DIR"
if ! cmake -S "$REPO" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$SANITIZERS" -DCMAKE_CXX_FLAGS="$SANITIZERS" \
    -DBUILD_TESTING=OFF -DKALDE_FUZZERS=ON >"$BUILD_DIR/fuzz-configure.log" 2>&1; then
    cat "$BUILD_DIR/fuzz-configure.log" >&2
    echo "fuzz: configuring failed" >&2
    exit 1
fi
if ! cmake --build "$BUILD_DIR" -j"$(nproc)" --target "${TARGETS[@]}"; then
    echo "fuzz: building failed" >&2
    exit 1
fi

# Which finding a log reports, in words; empty when it reports none.
finding() {
    local log=$1
    if grep -q 'ERROR: LeakSanitizer' "$log"; then echo "leak"
    elif grep -q 'ERROR: AddressSanitizer' "$log"; then echo "crash (AddressSanitizer)"
    elif grep -q 'runtime error:' "$log"; then echo "crash (undefined behaviour)"
    elif grep -q 'fuzz check failed' "$log"; then echo "crash (failed check)"
    elif grep -q 'ERROR: libFuzzer: timeout' "$log"; then echo "timeout"
    elif grep -q 'ERROR: libFuzzer: out-of-memory' "$log"; then echo "out of memory"
    elif grep -q 'ERROR: libFuzzer: fuzz target exited' "$log"; then echo "exit inside the target"
    elif grep -q 'ERROR: libFuzzer' "$log"; then echo "crash"
    fi
}

failed=0
summaries=()
for target in "${TARGETS[@]}"; do
    scratch=$BUILD_DIR/fuzz-scratch/$target
    rm -rf "$scratch"
    mkdir -p "$scratch/corpus" "$scratch/artifacts"
    cp "$REPO/fuzz/corpus/${CORPUS[$target]}"/* "$scratch/corpus/"
    log=$scratch/fuzz.log
    echo "fuzz: running $target for $SECONDS_PER_TARGET s (log: $log)"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "$BUILD_DIR/fuzz/$target" "$scratch/corpus" \
        -max_total_time="$SECONDS_PER_TARGET" -max_len="${MAX_LEN[$target]}" \
        -timeout="$INPUT_TIMEOUT_S" -rss_limit_mb="$RSS_LIMIT_MB" -use_value_profile=1 -print_final_stats=1 \
        -artifact_prefix="$scratch/artifacts/" >"$log" 2>&1
    status=$?

    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    result=$(finding "$log")
    if ((status != 0)) && [[ -z $result ]]; then result="failed with status $status"; fi
    if [[ -n $result ]]; then
        failed=1
        artifact=$(find "$scratch/artifacts" -type f | head -n 1)
        result="$result${artifact:+: $artifact}"
        grep -m 1 -E 'ERROR:|runtime error:|fuzz check failed' "$log" >&2
    else
        result=ok
    fi
    summaries+=("fuzz: $target: runs ${runs:-?}, coverage ${coverage:-?}, result $result")
done

printf '%s\n' "${summaries[@]}"
exit "$failed"
