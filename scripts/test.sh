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
# everything, native and Wine (64-bit and 32-bit), in one ctest call that ends
# with CTest's summary. The 32-bit tests skip themselves where their environment
# cannot be used; the reason is said here, since CTest shows no skipped test's output.
ctest --preset native-asan
bash scripts/win32-env.sh status >/dev/null 2>&1 ||
  echo "The win32.* tests will be skipped: $(bash scripts/win32-env.sh status 2>&1 | tail -n 1)"
ctest --preset native
