#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds the Qt-free core and kolmaris-cli.exe for Windows with MinGW-w64 and runs their
# tests under Wine, then works with the simulated terminal through the Win32 serial port: the
# Linux simulator on a pseudo-terminal that Wine maps to COM 5. kolmaris-cli.exe lists the port,
# reads the status and downloads the memory; the files must be byte for byte those the Linux
# kolmaris-cli writes of the same memory. What needs Qt must say it is not in this build.
#   scripts/test-windows.sh    build in build-windows/, Wine's prefix in build-windows/wine-prefix
# Last, it packs the NSIS installer, installs it silently under Wine and runs the installed
# kolmaris-cli.exe (--version, and status against the simulator).
# Runs as root on a fresh Debian 12 machine; installs the cross compiler, Wine, NSIS, the
# header-only CLI11 and nlohmann/json, and GoogleTest's sources (built there with the cross
# compiler: Debian has no MinGW build of it), and builds the Linux simulator and kolmaris-cli in
# build/ when they are not there yet.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh cmake ninja-build g++-mingw-w64-x86-64-posix wine64 googletest nsis libcli11-dev \
  nlohmann-json3-dev

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
cli="$build/cli/kolmaris-cli.exe"
windows_path() { echo "Z:${1//\//\\}"; }
KOLMARIS_TEST_COM_PORT=5 wine64 "$build/tests/link/ports/test_win32_serial_port.exe" --gtest_brief=1
wine64 "$cli" ports | tr -d '\r' | tee "$work/ports.txt"
grep -qx "COM 5" "$work/ports.txt"
wine64 "$cli" status --port 5 >/dev/null
# What needs Qt says so, with the status of a bad command line.
for command in "archive stats" "history --probe 1" "report" "download --archive --out x"; do
  status=0
  wine64 "$cli" $command 2>"$work/refusal.txt" >/dev/null || status=$?
  ((status == 2)) && grep -q ": not available in this build" "$work/refusal.txt" ||
    { echo "kolmaris-cli.exe $command: status $status, $(cat "$work/refusal.txt")"; exit 1; }
done
wine64 "$cli" download --port 5 --out "$(windows_path "$work/windows")" >/dev/null
build/cli/kolmaris-cli download --port "$port" --out "$work/linux" >/dev/null
ls "$work/windows"
diff -r "$work/windows" "$work/linux"
echo "kolmaris-cli.exe download under Wine wrote the same files as the Linux kolmaris-cli."

echo "The installer, installed silently under Wine:"
rm -f "$build"/kolmaris-*-win64.exe
(cd "$build" && cpack -G NSIS >/dev/null)
installer=$(ls "$build"/kolmaris-*-win64.exe)
wine64 "$installer" /S
installed="$WINEPREFIX/drive_c/Program Files/Kolmaris"
contents=$(ls "$installed" | LC_ALL=C sort | paste -sd' ')
[[ "$contents" == "LICENSE README.md Uninstall.exe kolmaris-cli.exe" ]] ||
  { echo "The installer installed: $contents"; exit 1; }
version=$(sed -n 's/^project(Kolmaris VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[[ "$(wine64 "$installed/kolmaris-cli.exe" --version | tr -d '\r')" == "kolmaris-cli $version" ]]
wine64 "$installed/kolmaris-cli.exe" status --port 5
echo "$(basename "$installer") installs kolmaris-cli.exe into Program Files\\Kolmaris; it answers --version and reads the simulated terminal's status."
