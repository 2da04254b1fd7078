#!/bin/bash
# Installs what is missing, builds a release and makes the Debian package
# build/kantilo_<version>_<arch>.deb with CPack; then shows what lintian says about it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
# Only what the package installs; the tests are built by tools/test.sh.
cmake --build build -j"$(nproc)" --target kantilo kantilo_icon_files kantilo_package_files
rm -f build/kantilo_*.deb
(cd build && cpack -G DEB)
deb=$(ls build/kantilo_*.deb)
echo "Paket: $deb ($(du -k "$deb" | cut -f1) KiB)"
dpkg-deb -f "$deb" Depends Recommends
if command -v lintian >/dev/null; then
  status=0
  lintian --fail-on error "$deb" >build/lintian.log 2>&1 || status=$?
  grep -v 'root privileges' build/lintian.log || echo "lintian: keine Meldungen"
  [[ $status -eq 0 ]] || { echo "lintian meldet Fehler" >&2; exit 1; }
fi
