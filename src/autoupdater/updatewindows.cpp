// SPDX-License-Identifier: GPL-3.0-or-later
#include "updatewindows.h"

#include <QLocale>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTextDocument>

namespace QtAutoUpdater {

namespace {

template<typename Window>
Window *prepare(Window *window, const char *name, const QString &title)
{
    window->setObjectName(QLatin1String("qtautoupdater_") + QLatin1String(name));
    window->setWindowTitle(title);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setAttribute(Qt::WA_QuitOnClose, false);
    // Gone while QApplication is whole: deleting a dialog during its teardown crashes inside Qt.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, window, &QObject::deleteLater);
    return window;
}

} // namespace

QProgressDialog *UpdateWindows::progress()
{
    auto *dialog = prepare(new QProgressDialog, "progress", tr("Check for updates"));
    dialog->setLabelText(tr("Checking for updates..."));
    dialog->setRange(0, 0);
    return dialog;
}

QMessageBox *UpdateWindows::result(const UpdateCheck::Result &result, bool detailed)
{
    // The product's, not the executable's ("sonavel"), and not as the display
    // name: that would change the title of every window the platform decorates.
    const QString product = QStringLiteral(QTAUTOUPDATER_PRODUCT_NAME);
    const bool updates = result.status == UpdateCheck::Status::UpdatesAvailable;
    const bool none = result.status == UpdateCheck::Status::NoUpdates;
    auto *box = prepare(new QMessageBox, updates ? "updates" : none ? "noUpdates" : "failure",
                        updates ? tr("Updates available") : none ? tr("No updates") : tr("Update check failed"));
    box->setIcon(updates || none ? QMessageBox::Information : QMessageBox::Warning);
    if (updates)
        box->setText(tr("%n update(s) available for %1.", nullptr, result.updates.size()).arg(product));
    else if (none)
        box->setText(tr("No updates are available for %1.").arg(product));
    else
        box->setText(tr("The check for updates failed."));
    if (updates && detailed) {
        QString rows = QStringLiteral("<tr><th align=left>%1</th><th align=left>%2</th><th>%3</th></tr>")
                           .arg(tr("Name"), tr("Version"), tr("Size"));
        for (const UpdateInfo &info : result.updates)
            rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td align=right>%3</td></tr>")
                        .arg(info.name.toHtmlEscaped(), info.version.toHtmlEscaped(),
                             info.size > 0 ? QLocale().formattedDataSize(info.size) : tr("unknown"));
        box->setInformativeText(QStringLiteral("<table cellspacing=6>%1</table>").arg(rows));
    } else if (!updates && !none) {
        // The tool's own words are no markup.
        box->setInformativeText(Qt::convertFromPlainText(result.errorString));
    }
    return box;
}

} // namespace QtAutoUpdater
