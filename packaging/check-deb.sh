#!/usr/bin/env bash
# Builds the Debian package in a built build directory, installs it on this
# machine and starts the installed program the way a desktop does: in the
# desktop entry's Path= with its Exec= line.
#
#     packaging/check-deb.sh <build dir>
#
# It installs a package system-wide (and removes it again at the end), so it
# is meant for CI and throwaway machines; scripts/test runs it. Configure the
# build with -DCMAKE_INSTALL_PREFIX=/usr for a package that belongs in /usr.
set -euo pipefail

build=$(cd "${1:?usage: $0 <build dir>}" && pwd)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The program runs on a session bus of our own: on a desktop, a Sonavel of the
# user's would otherwise take the file the check opens, and the check's own
# window would talk to the user's media controls.
exec {bus_out}< <(exec "$(dirname "$0")/../scripts/session-bus" 2>/dev/null)
bus=$!
remove_package=""
cleanup() {
    kill "$bus" 2>/dev/null || true
    wait "$bus" 2>/dev/null || true
    [ -z "$remove_package" ] ||
        DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq -o DPkg::Lock::Timeout=300 sonavel >/dev/null 2>&1 || true
}
trap cleanup EXIT
read -r -t 20 DBUS_SESSION_BUS_ADDRESS <&"$bus_out" || fail "the session bus did not start"
export DBUS_SESSION_BUS_ADDRESS

cd "$build"
# The build's own facts: the prefix, and what CMakeLists.txt names once.
cached() { sed -n "s/^$1:[A-Z]*=//p" CMakeCache.txt; }
prefix=$(cached CMAKE_INSTALL_PREFIX)
[ -n "$prefix" ] || fail "$build is not a configured build directory"
app_id=$(cached SONAVEL_APP_ID)
icon_sizes=$(cached SONAVEL_ICON_SIZES | tr ';' ' ')
app_catalogue=$(cached SONAVEL_APP_CATALOGUE)
updater_catalogue=$(cached SONAVEL_UPDATER_CATALOGUE)
[ -n "$app_id" ] && [ -n "$icon_sizes" ] && [ -n "$app_catalogue" ] && [ -n "$updater_catalogue" ] ||
    fail "$build was configured without the application id, icon sizes or catalogue names"

echo "-- Packaging"
rm -f sonavel_*.deb
cpack -G DEB >cpack.log 2>&1 || { cat cpack.log; fail "cpack failed"; }
debs=(sonavel_*.deb)
[ "${#debs[@]}" -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one sonavel_*.deb, found: ${debs[*]}"
deb=$build/${debs[0]}
echo "$deb"

# The files a desktop needs, at the places the desktop entry promises.
dpkg-deb -c "$deb" | awk '{ print $NF }' | sed 's|^\./|/|' >deb-contents.txt
expected=(
    "$prefix/bin/sonavel"
    "$prefix/share/sonavel/translations/${app_catalogue}_en.qm"
    "$prefix/share/applications/$app_id.desktop"
    "$prefix/share/metainfo/$app_id.metainfo.xml"
    "$prefix/share/icons/hicolor/scalable/apps/$app_id.svg"
)
for size in $icon_sizes; do
    expected+=("$prefix/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
for file in "${expected[@]}"; do
    grep -qxF "$file" deb-contents.txt || fail "the package lacks $file"
done
echo "contains the program, its catalogues, the desktop entry, the metainfo, the icons and ${#expected[@]} files in all"

# Libraries from dpkg-shlibdeps, GStreamer's plugins named by hand.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for package in libqt5widgets5 libqt5multimedia5 libqt5multimedia5-plugins gstreamer1.0-plugins-base \
    gstreamer1.0-plugins-good; do
    grep -qE "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package"
done

echo "-- Installing"
# Without the recommended packages: the check must not leave more behind
# than it needs, and the program must start without them.
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends --reinstall --allow-downgrades \
    -o DPkg::Lock::Timeout=300 "$deb" >apt-install.log 2>&1 || { cat apt-install.log; fail "apt-get install failed"; }
if [ -z "${SONAVEL_KEEP_PACKAGE:-}" ]; then
    remove_package=1
fi

desktop=$prefix/share/applications/$app_id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the installed $desktop"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
path=$(sed -n 's/^Path=//p' "$desktop")
[ "$(command -v "${exec_line%% *}")" = "$prefix/bin/sonavel" ] || fail "Exec=$exec_line does not start $prefix/bin/sonavel"
[ -d "$path" ] || fail "Path=$path is no directory"
echo "Exec=$exec_line Path=$path"

# Starts the installed program as the desktop would, under a locale, and
# stops it after five seconds. With $song set, it is the file the desktop
# opens: Exec='s %f becomes its path, and the program must have opened it. It passes when it was still running then, so
# that timeout reports 124 (the SIGTERM it sends ends the program, which quits
# on it as at the end of a session), with nothing fatal on
# stderr, and when it had mapped the catalogues named from translations/
# under Path=: that is where start-up looks for them.
run_installed() {
    local language=$1; shift
    local log=$build/installed-$language.log pidfile=$build/installed-$language.pid
    rm -f "$pidfile"
    local status=0 word command=()
    for word in $exec_line; do
        if [ "$word" = %f ]; then
            [ -z "${song:-}" ] || command+=("$song")
        else
            command+=("$word")
        fi
    done
    (cd "$path" && env LANG="$language.UTF-8" LC_ALL="$language.UTF-8" LANGUAGE="$language" \
        QT_QPA_PLATFORM=offscreen timeout -k 5 5 sh -c 'echo $$ >"$0"; exec "$@"' "$pidfile" "${command[@]}") \
        >"$log" 2>&1 &
    local runner=$!

    # The catalogues are mapped once main() has installed its translators.
    local mapped="" pid="" want missing
    for _ in $(seq 40); do
        pid=$(cat "$pidfile" 2>/dev/null || true)
        if [ -n "$pid" ] && [ -r "/proc/$pid/maps" ]; then
            mapped=$(grep -o '/[^ ]*\.qm$' "/proc/$pid/maps" 2>/dev/null | sort -u | tr '\n' ' ' || true)
        fi
        missing=""
        for want in "$@"; do
            grep -qF "$path/translations/$want " <<<"$mapped" || missing+=" $want"
        done
        if [ -n "${song:-}" ] && ! { [ -n "$pid" ] && readlink "/proc/$pid/fd/"* 2>/dev/null | grep -qxF "$song"; }; then
            missing+=" $song"
        fi
        [ -z "$missing" ] && break
        sleep 0.1
    done
    wait "$runner" || status=$?

    echo "$language: exit $status, catalogues mapped: ${mapped:-none}${song:+, given $song}"
    if [ "$status" -ne 124 ]; then
        cat "$log"
        fail "$language: the installed program exited with $status before it was stopped"
    fi
    if grep -qiE 'segmentation|aborted|fatal|could not (load|find) the qt platform plugin|cannot load library' "$log"; then
        cat "$log"
        fail "$language: the installed program reported a fatal error"
    fi
    [ -z "$missing" ] || fail "$language: not opened (catalogues are looked for in $path/translations):$missing"
}

echo "-- Starting the installed program"
run_installed en_US "${app_catalogue}_en.qm"
run_installed de_DE "${app_catalogue}_de.qm" "${updater_catalogue}_de.qm"
# Opened from the file manager, a name with a blank and a '#' (the test audio
# of the build's tests).
mkdir -p "$build/deb-check"
song="$build/deb-check/un titre #1.mp3"
cp "$build/tests/audio/tagged.mp3" "$song" || fail "no test audio: build with the tests first"
run_installed fr_FR "${updater_catalogue}_fr.qm"

echo "-- The Debian package installs and starts"
