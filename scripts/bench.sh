#!/usr/bin/env bash
# Runs the benchmarks (not tests): each prints its own table.
set -euo pipefail
cd "$(dirname "$0")/.."
echo "== draining poll, portable core (native)"
build/native/bench/drain_bench "${N:-20000}"
