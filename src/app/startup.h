// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTranslator>

#include <functional>

QT_BEGIN_NAMESPACE
class QApplication;
QT_END_NAMESPACE

class MainWindow;

// What start-up does between building the window and showing it. The
// translators are asked from the last installed back to the first, so the
// program's own catalogue wins over the update library's and Qt's.
struct Translators
{
    QTranslator qtTranslator;      // Qt's own texts, from Qt's translations directory
    QTranslator updaterTranslator; // the update library's, from translations/
    QTranslator appTranslator;     // the program's, from translations/
};

// Picks the language from the system locale and installs the three
// translators on app, in the order of their members. They stay installed as
// long as translators lives. The catalogues under translations/ are looked up
// relative to the current directory; a missing one leaves its translator empty.
void installTranslators(QApplication &app, Translators &translators);

// The program from its first step to the end of its event loop, in this
// order: the application object, the player's name on the session bus, a song
// on the command line handed to a Sonavel already running (then it returns 0
// at once), the engine's warm-up, the window, the translators, the song
// opened, the window shown, the bus's calls let in. `ready`, when given, gets
// the shown window just before the event loop runs (the bench's command
// channel, the locale tests' checks). Returns the event loop's exit code.
int runSonavel(int &argc, char **argv, const std::function<void(MainWindow &)> &ready = {});
