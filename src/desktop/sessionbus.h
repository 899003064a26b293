#pragma once

class QString;
class QUrl;

// True when this session has a bus to talk to. Asked for the session bus
// without one, libdbus starts a daemon of its own (X11 autolaunch) that
// nobody ends: nothing of ours asks before this says yes.
bool sessionBusExists();

// Hands `url` to a Sonavel already running in this session, which loads it,
// plays it and comes to the front. False when none runs or it did not answer
// within `timeoutMs`: a late answer is no use to us, and the running one then
// drops the request instead of playing alongside us.
bool handOffToRunningPlayer(const QUrl &url, int timeoutMs);
