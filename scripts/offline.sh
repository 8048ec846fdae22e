#!/usr/bin/env bash
# Runs a command with the network cut off, in a network namespace of its own whose only
# interface is a loopback that is down: what the build needs must already be on the machine.
# As root with unshare -n; as an ordinary user inside a user namespace of its own as well
# (unshare -rn), where the command sees itself as root and what it writes is still the user's.
#
#   offline.sh COMMAND [ARGUMENT...]
set -euo pipefail
if [ $# -eq 0 ]; then
  echo "usage: $0 COMMAND [ARGUMENT...]" >&2
  exit 2
fi
if [ "$(id -u)" -eq 0 ]; then
  exec unshare --net -- "$@"
else
  exec unshare --map-root-user --net -- "$@"
fi
