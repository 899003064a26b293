#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package in a built build directory and checks it the way
# Debian and a desktop would take it, without installing it:
#
#     packaging/check-deb.sh [--install] <build dir>
#
# - its files and its Depends line, and lintian, which must find no error, no
#   warning and no missing hardening;
# - unpacked with dpkg-deb -x into a temporary directory, the program started
#   from there the way a desktop starts it: in the desktop entry's Path= with
#   its Exec= line, both moved into that directory;
# - apt-get install --simulate, which shows that its dependencies resolve here.
#
# With --install it also installs the package system-wide with apt-get, starts
# the installed program the same way and removes the package again at the end
# (SONAVEL_KEEP_PACKAGE=1 keeps it): that is for CI and throwaway machines,
# and scripts/test asks for it only where CI is set.
# The build must be configured with -DCMAKE_INSTALL_PREFIX=/usr (a package
# that belongs in /usr) and -DSONAVEL_DPKG_BUILDFLAGS=ON (Debian's hardening).
set -euo pipefail

# The program runs on a session bus of our own (dbus-run-session ends it with
# us): on a desktop, a Sonavel of the user's would otherwise take the file the
# check opens, and the check's own window would talk to the user's media controls.
if [ -z "${SONAVEL_CHECK_BUS:-}" ]; then
    SONAVEL_CHECK_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi

install=""
if [ "${1:-}" = --install ]; then
    install=1
    shift
fi
build=$(cd "${1:?usage: $0 [--install] <build dir>}" && pwd)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

remove_package="" unpacked=""
cleanup() {
    [ -z "$unpacked" ] || rm -rf "$unpacked"
    [ -z "$remove_package" ] ||
        DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq -o DPkg::Lock::Timeout=300 sonavel >/dev/null 2>&1 || true
}
trap cleanup EXIT

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
[ "$(cached SONAVEL_DPKG_BUILDFLAGS)" = ON ] ||
    fail "$build was configured without -DSONAVEL_DPKG_BUILDFLAGS=ON: the package is built with Debian's hardening"

echo "-- Packaging"
rm -f sonavel_*.deb
cpack -G DEB >cpack.log 2>&1 || { cat cpack.log; fail "cpack failed"; }
debs=(sonavel_*.deb)
[ "${#debs[@]}" -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one sonavel_*.deb, found: ${debs[*]}"
deb=$build/${debs[0]}
echo "$deb"

# The files a desktop needs, at the places the desktop entry promises, and
# those Debian asks of every package.
dpkg-deb -c "$deb" | awk '{ print $NF }' | sed 's|^\./|/|' >deb-contents.txt
expected=(
    "$prefix/bin/sonavel"
    "$prefix/share/sonavel/translations/${app_catalogue}_en.qm"
    "$prefix/share/applications/$app_id.desktop"
    "$prefix/share/metainfo/$app_id.metainfo.xml"
    "$prefix/share/icons/hicolor/scalable/apps/$app_id.svg"
    "$prefix/share/man/man1/sonavel.1.gz"
    "$prefix/share/doc/sonavel/copyright"
    "$prefix/share/doc/sonavel/changelog.gz"
)
for size in $icon_sizes; do
    expected+=("$prefix/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
for file in "${expected[@]}"; do
    grep -qxF "$file" deb-contents.txt || fail "the package lacks $file"
done
echo "contains the program, its catalogues, the desktop entry, the metainfo, the icons, the manual page," \
    "the copyright and the changelog: ${#expected[@]} files in all"

# Libraries from dpkg-shlibdeps, GStreamer's plugins named by hand.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for package in libqt5widgets5 libqt5multimedia5 libqt5multimedia5-plugins gstreamer1.0-plugins-base \
    gstreamer1.0-plugins-good; do
    grep -qE "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package"
done

# Unpacked once, for the checks and the runs below; removed at the end.
unpacked=$(mktemp -d "${TMPDIR:-/tmp}/sonavel-deb.XXXXXX")
dpkg-deb -x "$deb" "$unpacked"

echo "-- lintian"
# No error, no warning, and, among its notes, none about missing hardening.
# It says nothing of the stack protector: the program must call its check.
lintian --display-info --fail-on error,warning "$deb" >lintian.log 2>&1 || { cat lintian.log; fail "lintian"; }
grep -v '^running with root privileges' lintian.log || true
! grep -q '^[EWI]: sonavel: hardening-' lintian.log || fail "the program lacks some of Debian's hardening"
# (grep reads all of it: with -q, readelf's SIGPIPE would fail the pipe.)
readelf --wide --dyn-syms "$unpacked$prefix/bin/sonavel" | grep '__stack_chk_fail' >/dev/null ||
    fail "the program is built without the stack protector"
echo "no error, no warning, all hardening"

echo "-- apt-get install --simulate"
apt-get install --simulate --no-install-recommends "$deb" >apt-simulate.log 2>&1 ||
    { cat apt-simulate.log; fail "apt-get cannot install the package here"; }
grep -E '^(Inst|Conf) ' apt-simulate.log || true
echo "its dependencies resolve"

# Starts the program as the desktop would, from the desktop entry under
# $root (empty for the installed package), under a locale, and stops it after
# five seconds. With $song set, it is the file the desktop opens: Exec='s %f
# becomes its path, and the program must have opened it. It passes when it was
# still running then, so that timeout reports 124 (the SIGTERM it sends ends
# the program, which quits on it as at the end of a session),
# with nothing fatal on stderr, and when it had mapped the catalogues named
# from translations/ under Path=: that is where start-up looks for them, so
# under $root they must come from $root, not from a Sonavel installed here.
run_program() {
    local root=$1 language=$2; shift 2
    local desktop=$root$prefix/share/applications/$app_id.desktop
    local exec_line path
    exec_line=$(sed -n 's/^Exec=//p' "$desktop")
    path=$root$(sed -n 's/^Path=//p' "$desktop")
    local log=$build/started-$language.log pidfile=$build/started-$language.pid
    rm -f "$pidfile"
    local status=0 word command=()
    for word in $exec_line; do
        if [ "$word" = %f ]; then
            [ -z "${song:-}" ] || command+=("$song")
        else
            command+=("$word")
        fi
    done
    # Exec= names the program, which the desktop finds on PATH.
    local search=$PATH
    [ -z "$root" ] || search=$root$prefix/bin:$PATH
    [ "$(PATH=$search command -v "${command[0]}")" = "$root$prefix/bin/sonavel" ] ||
        fail "Exec=$exec_line does not start $root$prefix/bin/sonavel"
    [ -d "$path" ] || fail "Path=$path is no directory"
    (cd "$path" && env PATH="$search" LANG="$language.UTF-8" LC_ALL="$language.UTF-8" LANGUAGE="$language" \
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
        fail "$language: the program exited with $status before it was stopped"
    fi
    if grep -qiE 'segmentation|aborted|fatal|could not (load|find) the qt platform plugin|cannot load library' "$log"; then
        cat "$log"
        fail "$language: the program reported a fatal error"
    fi
    [ -z "$missing" ] || fail "$language: not opened (catalogues are looked for in $path/translations):$missing"
}

# The desktop entry passes its validator, and the program starts in English,
# in German, and in French with a song opened from the file manager: a name
# with a blank and a '#' (the test audio of the build's tests).
start_all() {
    local root=$1 desktop=$1$prefix/share/applications/$app_id.desktop
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
    echo "$(grep -E '^(Exec|Path)=' "$desktop" | tr '\n' ' ')in $desktop"
    song="" run_program "$root" en_US "${app_catalogue}_en.qm"
    song="" run_program "$root" de_DE "${app_catalogue}_de.qm" "${updater_catalogue}_de.qm"
    mkdir -p "$build/deb-check"
    song="$build/deb-check/un titre #1.mp3"
    cp "$build/tests/audio/tagged.mp3" "$song" || fail "no test audio: build with the tests first"
    run_program "$root" fr_FR "${updater_catalogue}_fr.qm"
}

echo "-- Unpacked, started from its desktop entry"
# The package brings no library or plugin of its own: the loader finds all
# it needs on the system, with no path into the unpacked tree.
if ldd "$unpacked$prefix/bin/sonavel" | grep 'not found'; then
    fail "libraries of the unpacked program are missing"
fi
start_all "$unpacked"

if [ -z "$install" ]; then
    echo "-- The Debian package is sound (not installed: --install installs it system-wide and removes it)"
    exit 0
fi

echo "-- Installing system-wide"
# Without the recommended packages: the check must not leave more behind
# than it needs, and the program must start without them.
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends --reinstall --allow-downgrades \
    -o DPkg::Lock::Timeout=300 "$deb" >apt-install.log 2>&1 || { cat apt-install.log; fail "apt-get install failed"; }
if [ -z "${SONAVEL_KEEP_PACKAGE:-}" ]; then
    remove_package=1
fi
echo "-- Starting the installed program"
start_all ""

echo "-- The Debian package installs and starts${remove_package:+; it is removed again}"
