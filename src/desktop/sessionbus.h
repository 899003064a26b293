// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QUrl;

// True when this session has a bus that answers. Asked for the session bus
// without one, libdbus starts a daemon of its own (X11 autolaunch) that
// nobody ends; asked for one that has stopped (suspended, swapped out), it
// waits 25 s on every call, on the GUI thread. The first call looks, within a
// second, and comes before the first widget: Qt's accessibility bridge asks
// for the bus from there, and when the bus does not answer it is kept off it.
// Later calls give the same answer.
bool sessionBusExists();

// Hands `url` to the Sonavel that holds the player's name in this session,
// which loads it, plays it and comes to the front. True once that one has
// the file; false when it did not say it was ready within `timeoutMs`, and
// then it never hears of the file: whatever the answer, one of us plays it.
bool handOffToRunningPlayer(const QUrl &url, int timeoutMs);
