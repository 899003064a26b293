#pragma once

#include <QTranslator>

QT_BEGIN_NAMESPACE
class QApplication;
QT_END_NAMESPACE

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
