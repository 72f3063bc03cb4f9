#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package kolmaris_<version>_<architecture>.deb into the top folder (as root
# on Debian 12: installs what is missing first). The build, without tests and benchmarks, is
# in build-package/; cpack makes the package, its dependencies computed by dpkg-shlibdeps.
# scripts/test-package.sh installs it, tries it and removes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
      -DKOLMARIS_TESTS=OFF -DKOLMARIS_BENCH=OFF
cmake --build build-package -j"$(nproc)"
rm -f build-package/kolmaris_*.deb
(cd build-package && cpack -G DEB)
rm -f kolmaris_*.deb
mv build-package/kolmaris_*.deb .
for deb in kolmaris_*.deb; do
  echo "$deb:"
  dpkg-deb --field "$deb" Package Version Architecture Depends Recommends Installed-Size
done
