#!/usr/bin/env bash
# The one command that starts Vantrel on a Debian 12 desktop: installs the
# missing packages (asks for sudo when not root), builds the program and
# starts it on your display. Pick your network adapter, press Search.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
build=$(scripts/build-program.sh vantrel | tail -n 1)
exec "$build/app/vantrel"
