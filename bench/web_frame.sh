#!/usr/bin/env bash
# The whole frame at 1920x1080 in the web page (render mode, Debian's chromium)
# beside the frame renderer, the same 300 frames, three rounds in the same run
# after a page that warms the browser up, all on one core (the browser's helper
# threads too); and the sizes of the page's .wasm and .js.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset web >/dev/null
cmake --build --preset web -j "$(nproc)" >/dev/null
cmake --preset release >/dev/null
cmake --build --preset release --target brinemere-render >/dev/null
(cd tests/web && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
taskset -c 1 node tests/web/run.mjs build/web/page build/release/src/brinemere-render --bench
