#!/usr/bin/env bash
# Installs what is missing (the test tools too), builds, and runs every test headless: the
# normal build's suite, the install and the Debian package, each fuzzer over its corpus (fixed
# seed, fixed number of runs), and the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer. Any failure or finding fails the run.
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD
scripts/install-deps.sh test

stage() { echo "== $1 ($((SECONDS - stage_start)) s)"; stage_start=$SECONDS; }
stage_start=$SECONDS

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQIRVA_TESTS=ON >/dev/null
cmake --build build
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2)
stage "normal build and tests"

scripts/check-package.sh build
stage "install and package"

# The fuzzers need clang's libFuzzer; only the fuzz targets (and the library) are built.
CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQIRVA_FUZZ=ON >/dev/null
cmake --build build-fuzz --target fuzz_inifile fuzz_picture
fuzz() { # name runs max_len
    local work=build-fuzz/work/$1 findings=build-fuzz/findings/$1
    rm -rf "$work" && mkdir -p "$work" "$findings"
    # New inputs go to the scratch folder; the committed corpus is only read. The targets write
    # a scratch file per input, which the settings write-back syncs: keep it in memory.
    local scratch=/tmp
    [ -d /dev/shm ] && [ -w /dev/shm ] && scratch=/dev/shm
    if ! TMPDIR=$scratch UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "build-fuzz/fuzz/fuzz_$1" -seed=1 -runs="$2" -max_len="$3" -timeout=10 \
        -rss_limit_mb=2048 -artifact_prefix="$findings/" -print_final_stats=1 \
        "$work" "fuzz/corpus/$1" >"build-fuzz/fuzz_$1.log" 2>&1; then
        tail -n 60 "build-fuzz/fuzz_$1.log"
        echo "fuzz_$1 found a fault: the input is in $findings/; add it to fuzz/corpus/$1/" \
             "once fixed" >&2
        exit 1
    fi
    grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "build-fuzz/fuzz_$1.log" || true
}
fuzz inifile 20000 4096
fuzz picture 20000 16384
stage "fuzzers"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQIRVA_SANITIZE=ON >/dev/null
cmake --build build-asan
(cd build-asan &&
    ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1 \
    LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2)
stage "sanitizer build and tests"
