#!/usr/bin/env bash
# Measures how many realistic single-point slips in the platform code, the idle starter, the
# repaint cache and the Windows packages the tests catch: puts each slip of
# scripts/mutation/slips.txt into a copy of the tree in turn, rebuilds, runs the tests of its
# area and prints killed or survived, then the figures by area and in total ("killed 34 of 40
# (85 %)"). Not run by CI; the first run builds the copy (about twenty minutes), later ones only
# what each slip changes.
#
#   scripts/mutation-test.sh [cache] [x11] [wayland] [idle] [win32] [packaging] [--slip ID ...]
#                            [--list] [--no-baseline] [--work DIR]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exec python3 "$root/scripts/mutation/mutate.py" "$@"
