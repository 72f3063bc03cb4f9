#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian package that scripts/package.sh built into this machine with apt-get (as
# root), checks what it installed (version, man pages, menu entry, icon, scenarios, bash
# completion), lets the installed kolmaris-cli download the memory of the installed simulator,
# then removes the package and checks that nothing of it is left in /usr.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(Kolmaris VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)
deb=kolmaris_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || { echo "$deb is missing: run scripts/package.sh first" >&2; exit 2; }
if dpkg-query -W -f='${Status}' kolmaris 2>/dev/null | grep -q installed; then
  echo "kolmaris is installed on this machine already; remove it first (apt-get remove kolmaris)" >&2
  exit 2
fi

. scripts/simulator.sh
installed=false
remove_package() {
  if $installed; then
    DEBIAN_FRONTEND=noninteractive apt-get remove -y kolmaris >/dev/null
    installed=false
  fi
}
trap 'sim_stop; remove_package; rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
check() {  # check TEXT COMMAND...: runs the command, fails with TEXT when it fails
  local what=$1
  shift
  "$@" || fail "$what"
  echo "ok: $what"
}

echo "Installing $deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "./$deb" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log" >&2; fail "apt-get install ./$deb"; }
installed=true
dpkg-query -L kolmaris >"$work/files"

check "the package's version is $version" test "$(dpkg-query -W -f='${Version}' kolmaris)" = "$version"
check "kolmaris --version prints Kolmaris $version" test "$(/usr/bin/kolmaris --version)" = "Kolmaris $version"
# kolmaris-cli --version and -V print "kolmaris-cli <version>"; a kolmaris-cli that does not
# know the options answers with exit status 2 (bad command line), and then the package's
# version above is the check.
for option in --version -V; do
  status=0
  out=$(/usr/bin/kolmaris-cli "$option" 2>&1) || status=$?
  if ((status == 0)); then
    check "kolmaris-cli $option prints kolmaris-cli $version" test "$out" = "kolmaris-cli $version"
  else
    check "kolmaris-cli without $option says so (exit status 2)" test "$status" = 2
  fi
done

for program in kolmaris kolmaris-cli kolmaris-terminal-sim; do
  check "man page of $program" test -s "/usr/share/man/man1/$program.1.gz"
done
page=$(MANWIDTH=100 man kolmaris-cli 2>/dev/null)
for command in ports status download records spectra clock mesh archive history; do
  grep -Eq "^ +$command( |\$)" <<<"$page" || fail "man kolmaris-cli shows the command $command"
  grep -Fq "Usage: kolmaris-cli $command" <<<"$page" || fail "man kolmaris-cli shows the options of $command"
done
echo "ok: man kolmaris-cli shows every command and its options"
check "man kolmaris-cli tells about the group dialout" grep -q "group dialout" <<<"$page"
check "desktop-file-validate accepts the menu entry" desktop-file-validate /usr/share/applications/kolmaris.desktop
check "the icon is an SVG picture" grep -q "<svg" /usr/share/icons/hicolor/scalable/apps/kolmaris.svg
check "the licence is in the package" test -s /usr/share/doc/kolmaris/copyright
check "the scenarios are in /usr/share/kolmaris/scenarios" test -s /usr/share/kolmaris/scenarios/full-mesh.json
check "the simulator finds a scenario by its bare name" \
  grep -q '"name": "full-mesh"' <(/usr/bin/kolmaris-terminal-sim --scenario full-mesh --dump-scenario)

# The installed simulator, on the shipped default scenario, read by the installed kolmaris-cli.
sim_start /usr/bin/kolmaris-terminal-sim --scenario default
echo "Simulator on COM $port"
complete_words() {  # the completions of the command line "$1" (ending in a space or a word)
  bash -c '. /usr/share/bash-completion/bash_completion
           . /usr/share/bash-completion/completions/kolmaris-cli
           COMP_LINE=$1; COMP_POINT=${#COMP_LINE}; read -ra COMP_WORDS <<<"$COMP_LINE"
           [[ $COMP_LINE == *" " ]] && COMP_WORDS+=("")
           COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
           _kolmaris_cli kolmaris-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
           printf "%s\n" "${COMPREPLY[@]}"' - "$1"
}
check "Tab completes the commands" test "$(complete_words "kolmaris-cli d")" = download
check "Tab completes a command's options" grep -qx -- --new-only <(complete_words "kolmaris-cli download --n")
check "Tab completes --port with COM $port" grep -qx "$port" <(complete_words "kolmaris-cli status --port ")

/usr/bin/kolmaris-cli download --port "$port" --out "$work/data" >"$work/download.log" 2>&1 ||
  { cat "$work/download.log" >&2; fail "kolmaris-cli download"; }
cat "$work/download.log"
for file in RDN_1.tab RDN_2.tab RDN_3.tab SPC_1.tab TERM.tab; do
  [[ $(wc -l <"$work/data/$file") -gt 1 ]] || fail "the download wrote $file with records"
done
echo "ok: kolmaris-cli download read the installed simulator's memory"
sim_stop

echo "Removing the package"
DEBIAN_FRONTEND=noninteractive apt-get remove -y kolmaris >/dev/null
installed=false
left=()
while IFS= read -r path; do
  [[ -f $path || -L $path ]] && left+=("$path")
done <"$work/files"
((${#left[@]} == 0)) || fail "apt-get remove left ${left[*]}"
left=$(find /usr -path '*kolmaris*' 2>/dev/null)
[[ -z $left ]] || fail "apt-get remove left $left"
echo "ok: apt-get remove kolmaris leaves nothing of it in /usr"
echo "The package works."
