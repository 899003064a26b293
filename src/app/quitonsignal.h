// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Ends the event loop, as closing the window does, on SIGTERM (the session
// ending), SIGINT (Ctrl+C) and SIGHUP (its terminal gone), so that what the
// program leaves while it runs (the cover it hands the desktop) goes with it.
// Call it once the application object exists.
void quitOnSignals();
