#!/bin/bash
# Installs the Debian 12 packages that building, running and testing Kantilo need,
# and only those that are missing. Runs apt-get as root (or through sudo).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
mapfile -t wanted < <(cat "$here/packages-base.txt" "$here/packages.txt" 2>/dev/null | sed 's/#.*//' | awk 'NF' | sort -u)
missing=()
for pkg in "${wanted[@]}"; do
  status="$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)"
  [[ "$status" == "installed" ]] || missing+=("$pkg")
done
if ((${#missing[@]} == 0)); then
  echo "install-deps: all ${#wanted[@]} packages present"
  exit 0
fi
sudo=""
[[ "$(id -u)" == 0 ]] || sudo="sudo"
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
