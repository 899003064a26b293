#include "updatewindows.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace QtAutoUpdater {

namespace {

// The product's name, not the executable's ("sonavel"); it comes from the
// build, and setting it as the application's display name instead would change
// the title of every window the platform decorates.
const QString ProductName = QStringLiteral(QTAUTOUPDATER_PRODUCT_NAME);

template<typename Window>
Window *prepare(Window *window, const char *objectName)
{
    window->setObjectName(QLatin1String(objectName));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setAttribute(Qt::WA_QuitOnClose, false);
    window->setWindowModality(Qt::NonModal);
    return window;
}

QMessageBox *messageWindow(QMessageBox::Icon icon, const char *objectName, const QString &title, const QString &text)
{
    return prepare(new QMessageBox(icon, title, text, QMessageBox::Ok), objectName);
}

// close() rejects a dialog, which must not read as the user's answer.
void closeQuietly(QPointer<QWidget> &window, QObject *listener)
{
    if (QWidget *w = window.data()) {
        window = nullptr;
        w->disconnect(listener);
        w->close();
    }
}

} // namespace

UpdateWindows::UpdateWindows(QObject *parent)
    : QObject(parent)
{
}

UpdateWindows::~UpdateWindows()
{
    // Their buttons talk to us, so they go with us; but once QApplication is
    // being torn down deleting a dialog crashes inside Qt, and the process is
    // ending anyway.
    if (QCoreApplication::instance() && !QCoreApplication::closingDown())
        deleteAll();
}

void UpdateWindows::deleteAll()
{
    delete m_question.data();
    delete m_progress.data();
    delete m_result.data();
}

bool UpdateWindows::isAsking() const
{
    return !m_question.isNull();
}

void UpdateWindows::ask()
{
    auto *box = prepare(new QMessageBox(QMessageBox::Question, tr("Check for updates"),
                                        tr("Do you want to check for updates now?"),
                                        QMessageBox::Yes | QMessageBox::No),
                        "qtautoupdater_ask");
    box->setDefaultButton(QMessageBox::Yes);
    connect(box, &QMessageBox::finished, this, [this](int answer) {
        m_question = nullptr;
        emit answered(answer == QMessageBox::Yes);
    });
    m_question = box;
    box->show();
}

void UpdateWindows::closeQuestion()
{
    closeQuietly(m_question, this);
}

void UpdateWindows::showProgress()
{
    if (m_progress)
        return;
    auto *dialog = prepare(new QDialog, "qtautoupdater_progress");
    dialog->setWindowTitle(tr("Check for updates"));
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(tr("Checking for updates..."), dialog));
    auto *busy = new QProgressBar(dialog);
    busy->setRange(0, 0);
    busy->setTextVisible(false);
    layout->addWidget(busy);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, dialog);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    // Closing the window counts as "stop", like the button.
    connect(dialog, &QDialog::rejected, this, &UpdateWindows::canceled);
    m_progress = dialog;
    dialog->show();
}

void UpdateWindows::closeProgress()
{
    closeQuietly(m_progress, this);
}

void UpdateWindows::showUpdates(const QList<UpdateInfo> &updates, bool detailed)
{
    const QLocale locale;
    qint64 totalSize = 0;
    for (const UpdateInfo &info : updates)
        totalSize += info.size;

    auto *dialog = prepare(new QDialog, "qtautoupdater_updates");
    dialog->setWindowTitle(tr("Updates available"));
    auto *layout = new QVBoxLayout(dialog);
    auto *summary = new QLabel(tr("%n update(s) available for %1.", nullptr, updates.size()).arg(ProductName), dialog);
    summary->setObjectName(QStringLiteral("summary"));
    summary->setWordWrap(true);
    layout->addWidget(summary);

    if (detailed) {
        auto *table = new QTreeWidget(dialog);
        table->setObjectName(QStringLiteral("updateTable"));
        table->setRootIsDecorated(false);
        table->setHeaderLabels({tr("Name"), tr("Version"), tr("Size")});
        for (const UpdateInfo &info : updates) {
            const QString size = info.size > 0 ? locale.formattedDataSize(info.size) : tr("unknown");
            auto *item = new QTreeWidgetItem(table, {info.name, info.version, size});
            item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        }
        table->header()->setSectionResizeMode(0, QHeaderView::Stretch);
        table->header()->setStretchLastSection(false);
        layout->addWidget(table);
    } else {
        auto *list = new QListWidget(dialog);
        list->setObjectName(QStringLiteral("updateList"));
        for (const UpdateInfo &info : updates)
            list->addItem(info.version.isEmpty() ? info.name : tr("%1 (version %2)").arg(info.name, info.version));
        layout->addWidget(list);
    }

    if (totalSize > 0) {
        auto *sizeLabel = new QLabel(tr("Download size: %1").arg(locale.formattedDataSize(totalSize)), dialog);
        sizeLabel->setObjectName(QStringLiteral("totalSize"));
        layout->addWidget(sizeLabel);
    }

    auto *buttons = new QDialogButtonBox(dialog);
    QPushButton *now = buttons->addButton(tr("Update now"), QDialogButtonBox::AcceptRole);
    now->setObjectName(QStringLiteral("updateNowButton"));
    QPushButton *onExit = buttons->addButton(tr("Update on exit"), QDialogButtonBox::ActionRole);
    onExit->setObjectName(QStringLiteral("updateOnExitButton"));
    QPushButton *later = buttons->addButton(tr("Later"), QDialogButtonBox::RejectRole);
    later->setObjectName(QStringLiteral("laterButton"));
    layout->addWidget(buttons);

    connect(now, &QPushButton::clicked, this, [this, dialog] {
        dialog->close();
        emit updateNowClicked();
    });
    connect(onExit, &QPushButton::clicked, this, [this, dialog] {
        dialog->close();
        emit updateOnExitClicked();
    });
    connect(later, &QPushButton::clicked, dialog, &QDialog::close);
    showResult(dialog);
}

void UpdateWindows::showNoUpdates()
{
    showResult(messageWindow(QMessageBox::Information, "qtautoupdater_noUpdates", tr("No updates"),
                             tr("No updates are available for %1.").arg(ProductName)));
}

void UpdateWindows::showCheckFailure(const QString &reason)
{
    QMessageBox *box = messageWindow(QMessageBox::Warning, "qtautoupdater_failure", tr("Update check failed"),
                                     tr("The check for updates failed."));
    box->setInformativeText(reason);
    showResult(box);
}

void UpdateWindows::showUpdaterFailure(const QString &toolPath)
{
    showResult(messageWindow(QMessageBox::Warning, "qtautoupdater_failure", tr("Update failed"),
                             tr("The updater \"%1\" could not be started.").arg(QDir::toNativeSeparators(toolPath))));
}

void UpdateWindows::showResult(QWidget *window)
{
    // One answer on screen at a time: an older one is out of date.
    if (m_result)
        m_result->close();
    m_result = window;
    window->show();
}

} // namespace QtAutoUpdater
