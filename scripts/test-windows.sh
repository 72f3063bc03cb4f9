#!/usr/bin/env bash
# Cross-builds the Qt-free core for Windows with MinGW-w64 and runs its tests under Wine, then
# downloads the simulated terminal's memory end to end through the Win32 serial port: the
# Linux simulator on a pseudo-terminal that Wine maps to COM 5. The files must be byte for byte
# those the Linux kolmaris-cli writes of the same memory.
#   scripts/test-windows.sh    build in build-windows/, Wine's prefix in build-windows/wine-prefix
# Runs as root on a fresh Debian 12 machine; installs the cross compiler, Wine and GoogleTest's
# sources (built there with the cross compiler: Debian has no MinGW build of it), and builds
# the Linux simulator and kolmaris-cli in build/ when they are not there yet.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine64 googletest)
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
# One wineserver for the whole run: each test program then starts in a fraction of a second.
wineserver -w
wineserver -p </dev/null >/dev/null 2>&1
wine_stop() { wineserver -k >/dev/null 2>&1 || true; }
trap wine_stop EXIT

cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOLMARIS_WITH_QT=OFF
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" | tee "$build/ctest.log"

# Tests that need what only Linux has skip themselves; say why.
skipped=$(sed -n 's/^ *[0-9]* - \(.*\) (Skipped)$/\1/p' "$build/ctest.log" | paste -sd'|')
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
wineserver -w
wineserver -p </dev/null >/dev/null 2>&1
mkdir "$work/windows" "$work/linux"
KOLMARIS_TEST_COM_PORT=5 KOLMARIS_TEST_DOWNLOAD_DIR="Z:${work//\//\\}\\windows" \
  wine64 "$build/tests/link/ports/test_win32_serial_port.exe"
build/cli/kolmaris-cli download --port "$port" --out "$work/linux" >/dev/null
ls "$work/windows"
diff -r "$work/windows" "$work/linux"
echo "The download under Wine wrote the same files as the Linux kolmaris-cli."
