#!/usr/bin/env bash
# Builds everything and runs every test: native tests (also under ASan/UBSan),
# the fuzzers briefly from their corpora, and the Windows programs under Wine.
# Usage: scripts/test.sh            (from the repository root)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake --preset native
cmake --build --preset native
cmake --preset native-asan
cmake --build --preset native-asan

# The sanitizer build runs its native tests first; then the main build runs
# everything, native and Wine, in one ctest call that ends with CTest's summary.
ctest --preset native-asan
ctest --preset native
