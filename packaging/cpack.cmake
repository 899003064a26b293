# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` in a build directory configured with
# -DCMAKE_INSTALL_PREFIX=/usr. The package installs under the prefix the
# build was configured with, which is also the one the desktop entry's Path=
# names.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sonavel)
set(CPACK_PACKAGE_VENDOR Quenbrik)
# The maintainer, as packaging/changelog and packaging/copyright name them (a
# packager who rebuilds sets -DCPACK_DEBIAN_PACKAGE_MAINTAINER=...).
set(CPACK_PACKAGE_CONTACT "Quenbrik <sonavel@quenbrik.fr>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Small audio player for MP3 and WAV files")
# One line of the package's description per line here, each within 80
# characters; an empty line separates paragraphs.
set(CPACK_PACKAGE_DESCRIPTION [[
Sonavel opens one local MP3 or WAV file at a time: play, pause, stop and
seek it, set the volume or mute it, and read the track's title, album and
album artist. Its window speaks French; its messages follow the session's
language (English and German catalogues included).

A file opened from the file manager goes to the window already open, over
the session bus, and the media keys and playerctl reach the window through
MPRIS 2.]])
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quenbrik.fr)
# Libraries come from dpkg-shlibdeps. Qt Multimedia plays through GStreamer,
# which the linker does not see: its plugins are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt5multimedia5-plugins, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")
# The sound server's sink, and Qt's own texts (dialog buttons) in the user's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-pulseaudio, qttranslations5-l10n")
