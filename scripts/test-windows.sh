#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds the Qt-free core for Windows with MinGW-w64 and runs its tests under Wine, then
# downloads the simulated terminal's memory end to end through the Win32 serial port: the
# Linux simulator on a pseudo-terminal that Wine maps to COM 5. The files must be byte for byte
# those the Linux kolmaris-cli writes of the same memory.
#   scripts/test-windows.sh    build in build-windows/, Wine's prefix in build-windows/wine-prefix
# Last, it packs the NSIS installer and installs it silently under Wine.
# Runs as root on a fresh Debian 12 machine; installs the cross compiler, Wine, NSIS and
# GoogleTest's sources (built there with the cross compiler: Debian has no MinGW build of it),
# and builds the Linux simulator and kolmaris-cli in build/ when they are not there yet.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine64 googletest nsis)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

build=build-windows
mkdir -p "$build"
export PATH="/usr/lib/wine:$PATH"  # wine64 and wineserver
export WINEPREFIX="$PWD/$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [[ ! -e "$WINEPREFIX/system.reg" ]]; then
  echo "Making the Wine prefix $WINEPREFIX (about a minute)"
  wine64 wineboot -i
fi
# One wineserver and Wine's services for the whole run: each test program then starts in a
# fraction of a second. The services are started here, away from the pipes through which ctest
# reads a test's output (they would hold them open).
wine_start() {
  wineserver -w
  wineserver -p </dev/null >/dev/null 2>&1
  wine64 wineboot </dev/null >/dev/null 2>&1
}
wine_start
wine_stop() { wineserver -k >/dev/null 2>&1 || true; }
trap wine_stop EXIT

cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOLMARIS_WITH_QT=OFF
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" | tee "$build/ctest.log"

# Tests that need what only Linux has skip themselves; say why.
skipped=$(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (Skipped)$/\1/p' "$build/ctest.log" | paste -sd'|')
if [[ -n "$skipped" ]]; then
  echo "Skipped under Wine:"
  ctest --test-dir "$build" -V -R "^($skipped)\$" |
    sed -n -e 's/^[0-9]*: \[ RUN      \] \(.*\)/  \1:/p' -e '/: Skipped$/{n;s/^[0-9]*: /    /p}'
fi

echo "End to end: the simulated terminal on COM 5 under Wine, beside the Linux kolmaris-cli"
bash scripts/install-deps.sh
[[ -e build/build.ninja ]] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target kolmaris-terminal-sim kolmaris-cli
source scripts/simulator.sh
trap 'sim_stop; rm -rf "$work"; wine_stop' EXIT
sim_start build/terminal-sim/app/kolmaris-terminal-sim
pty=$(sed -n 's/.* (\(\/dev\/[^)]*\)).*/\1/p' "$work/sim.log")
wine64 reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$pty" /f >/dev/null
wineserver -k  # Wine reads its ports when it starts
wine_start
mkdir "$work/windows" "$work/linux"
KOLMARIS_TEST_COM_PORT=5 KOLMARIS_TEST_DOWNLOAD_DIR="Z:${work//\//\\}\\windows" \
  wine64 "$build/tests/link/ports/test_win32_serial_port.exe"
build/cli/kolmaris-cli download --port "$port" --out "$work/linux" >/dev/null
ls "$work/windows"
diff -r "$work/windows" "$work/linux"
echo "The download under Wine wrote the same files as the Linux kolmaris-cli."

echo "The installer, installed silently under Wine:"
rm -f "$build"/kolmaris-*-win64.exe
(cd "$build" && cpack -G NSIS >/dev/null)
installer=$(ls "$build"/kolmaris-*-win64.exe)
wine64 "$installer" /S
installed="$WINEPREFIX/drive_c/Program Files/Kolmaris"
ls "$installed"
[[ -e "$installed/README.md" && -e "$installed/Uninstall.exe" ]]
if [[ -e "$installed/kolmaris-cli.exe" ]]; then
  wine64 "$installed/kolmaris-cli.exe" --help >/dev/null
fi
echo "$(basename "$installer") installs into Program Files\\Kolmaris with its uninstaller."
