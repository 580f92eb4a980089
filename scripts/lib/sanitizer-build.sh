# shellcheck shell=bash
# The clang build tree shared by the sanitized test run (scripts/test) and the fuzzers
# (scripts/fuzz): AddressSanitizer and UBSan everywhere, libFuzzer coverage on every library, so
# one compile serves both. Sourced; needs ROOT.

SAN_BUILD="${ORVELA_SAN_BUILD_DIR:-$ROOT/build-san}"

# Halting on the first report makes every finding a failure, with its stack.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

san_configure() {
  local launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  # -O1 keeps the fuzzers fast for little compile time.
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$SAN_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DCMAKE_C_FLAGS_DEBUG="-g -O1" \
    -DORVELA_SANITIZE=ON -DORVELA_FUZZ=ON -DORVELA_TESTS=ON -DORVELA_BENCH=OFF \
    "${launcher[@]}" >/dev/null
}
