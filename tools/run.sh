#!/usr/bin/env bash
# Builds the program and starts the stopwatch on the shipped data.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/install-deps.sh" run
cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build" -j"$(nproc)" --target tembrika
export TALIRA_DRIVE_C=${TALIRA_DRIVE_C:-$here/data/drive_c}
exec "$here/build/tembrika" "$@"
