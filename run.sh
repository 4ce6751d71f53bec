#!/usr/bin/env bash
# Installs what is missing, builds and starts Quorelbox. Options are passed on
# (./run.sh --help lists them).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=Release >/dev/null
exec build/app/quorelbox "$@"
