#!/usr/bin/env bash
# Installs the build the way the Debian package lays it out (prefix /usr) into
# a scratch root, then runs the installed programs from a scratch folder with
# nothing of the build tree on PATH: the local service, orvelle-cli against it,
# and the desktop program's tour, whose pictures must be written.
#   install_test.sh BUILD_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
scratch="$(mktemp -d -t orvelle-install.XXXXXX)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

root="$scratch/root"
DESTDIR="$root" cmake --install "$build" --prefix /usr >"$scratch/install.log" || { cat "$scratch/install.log"; fail "install"; }
usr="$root/usr"
for f in bin/orvelle-pc-tool bin/orvelle-cli bin/orvelle-devsim bin/orvelle-cloudsim \
         share/orvelle-pc-tool/string.json share/orvelle-pc-tool/ENG/main.htm share/orvelle-pc-tool/CHT/main.htm \
         share/orvelle-pc-tool/vendor/leaflet/dist/leaflet.js share/icons/hicolor/scalable/apps/orvelle-pc-tool.svg \
         share/metainfo/com.orvelle_tessaro.pc_tool.metainfo.xml share/man/man1/orvelle-cli.1.gz \
         share/man/man1/orvelle-pc-tool.1.gz lib/udev/rules.d/70-orvelle-dive-computer.rules \
         share/bash-completion/completions/orvelle-cli; do
  [ -e "$usr/$f" ] || fail "/usr/$f not installed"
done
rule="$usr/lib/udev/rules.d/70-orvelle-dive-computer.rules"
grep -q 'TAG+="uaccess"' "$rule" && grep -q 'ENV{ID_MM_DEVICE_IGNORE}="1"' "$rule" || fail "udev rule: $(cat "$rule")"

# The desktop entry names the program as the prefix installs it: bare in /usr,
# quoted with its full path elsewhere (only the packaging folder's rules).
desktop="$usr/share/applications/orvelle-pc-tool.desktop"
grep -qx 'Exec=orvelle-pc-tool' "$desktop" || fail "desktop entry for /usr: $(grep Exec "$desktop")"
other="/opt/orvelle dive"
DESTDIR="$scratch/other" cmake -DCMAKE_INSTALL_PREFIX="$other" -DCMAKE_INSTALL_COMPONENT=main \
  -P "$build/packaging/cmake_install.cmake" >/dev/null
other_desktop="$scratch/other$other/share/applications/orvelle-pc-tool.desktop"
grep -qx "Exec=\"$other/bin/orvelle-pc-tool\"" "$other_desktop" || fail "desktop entry for $other: $(grep Exec "$other_desktop")"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" && desktop-file-validate "$other_desktop" || fail "desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$usr"/share/metainfo/*.metainfo.xml >/dev/null || fail "appstreamcli validate"
fi

# From here on only the installed programs, by name, from a folder of their own.
mkdir -p "$scratch/cwd" "$scratch/home"
cd "$scratch/cwd"
unset LD_LIBRARY_PATH LD_PRELOAD
export PATH="$usr/bin:/usr/bin:/bin" HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" \
       XDG_CACHE_HOME="$scratch/home/.cache" XDG_DATA_HOME="$scratch/home/.local/share"
[ "$(command -v orvelle-cli)" = "$usr/bin/orvelle-cli" ] || fail "orvelle-cli is not the installed one"
# Help is answered on any terminal, a display or not, and is not an error.
DISPLAY= orvelle-pc-tool --help | grep -q '^usage: orvelle-pc-tool' || fail "orvelle-pc-tool --help"

first_line() {  # first line of $1, waiting up to $2 seconds for it
  local i
  for ((i = 0; i < $2 * 10; i++)); do
    if [ -s "$1" ] && head -n1 "$1" | grep -q .; then head -n1 "$1"; return 0; fi
    sleep 0.1
  done
  return 1
}
orvelle-cloudsim --port 0 --data "$scratch/cloud" >cloud.out 2>cloud.err &
pids+=($!)
line="$(first_line cloud.out 30)" || fail "orvelle-cloudsim did not start: $(cat cloud.err)"
service="${line##*https://}"
orvelle-devsim --image "$scratch/dc.img" --link "$scratch/ttyORV" >dev.out 2>dev.err &
pids+=($!)
first_line dev.out 10 >/dev/null || fail "orvelle-devsim did not start: $(cat dev.err)"

export ORVELLE_SERVICE="$service" ORVELLE_CA_FILE="$scratch/cloud/ca.pem" ORVELLE_EMAIL=demo@orvelle.test \
       ORVELLE_PASSWORD='coral+reef&dive=100%'
orvelle-cli login >login.out || fail "login"
grep -q $'\t' login.out || fail "login printed: $(cat login.out)"
# The demo diver's latest trip ends this month, or last month early in a month.
day=""
for month in "$(date +%Y-%m)" "$(date -d "$(date +%Y-%m-01) -1 month" +%Y-%m)"; do
  orvelle-cli month "$month" >month.out || fail "month $month"
  [ "$(wc -l <month.out)" -eq 42 ] || fail "month $month printed: $(cat month.out)"
  for date in $(grep "^$month-" month.out | cut -f1); do
    orvelle-cli day "$date" >day.out || fail "day $date"
    if [ -s day.out ]; then day="$date"; break 2; fi
  done
done
[ -n "$day" ] || fail "no day with dives in: $(cat month.out)"
id="$(head -n1 day.out | awk -F'\t' '{print $NF}')"
orvelle-cli log "$id" >log.out || fail "log $id"
grep -q "$id" log.out || fail "log $id printed: $(cat log.out)"
# Messages come from the installed string.json: a failure prints its text.
if orvelle-cli --service 127.0.0.1:1 login 2>fail.err; then fail "login to a closed port succeeded"; fi
grep -Eq '^[A-Z_]+: .+' fail.err || fail "failure without its message text: $(cat fail.err)"

# The desktop program's tour, on the installed pages.
shots="$scratch/shots"
tour=(orvelle-pc-tool --device "$scratch/ttyORV" --email demo@orvelle.test --tour "$shots")
if [ -n "${DISPLAY:-}" ]; then "${tour[@]}" >tour.out 2>tour.err || fail "tour: $(cat tour.err)"
else xvfb-run -a -s "-screen 0 1600x1200x24" "${tour[@]}" >tour.out 2>tour.err || fail "tour: $(cat tour.err)"; fi
for name in 01-login 10-log-book; do
  [ -s "$shots/$name.png" ] || fail "tour picture $name.png missing: $(ls "$shots" 2>&1)"
done
# A page that failed to load paints one flat colour.
colours="$(convert "$shots/10-log-book.png" -format '%k' info:)"
[ "$colours" -gt 100 ] || fail "log book picture has only $colours colours"
echo "installed layout OK: $(ls "$shots" | wc -l) tour pictures, dive $id on $day"
