#include "updatecontroller.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QXmlStreamReader>

namespace QtAutoUpdater {

namespace {

// A real tool prints a few kilobytes; anything near this is a broken or
// hostile tool, and we would rather stop it than keep growing a buffer.
constexpr int MaxStandardOutput = 4 * 1024 * 1024;
// Only the start of the error output is useful to the user.
constexpr int MaxErrorOutput = 64 * 1024;
constexpr int MaxShownErrorOutput = 2000;

const QString CheckArgument = QStringLiteral("--checkupdates");
const QString UpdaterArgument = QStringLiteral("--updater");

// The tool mixes log lines with its answer, so the <updates> element is cut
// out before it goes anywhere near the XML reader.
QByteArray extractUpdateList(const QByteArray &output)
{
    static const QByteArray openTag("<updates");
    static const QByteArray closeTag("</updates>");

    int from = 0;
    for (;;) {
        const int begin = output.indexOf(openTag, from);
        if (begin < 0)
            return {};
        const int afterName = begin + openTag.size();
        if (afterName >= output.size())
            return {};
        const char next = output.at(afterName);
        if (next == '>' || next == '/' || next == ' ' || next == '\t' || next == '\r' || next == '\n') {
            const int close = output.indexOf(closeTag, afterName);
            if (close >= 0)
                return output.mid(begin, close + closeTag.size() - begin);
            const int tagEnd = output.indexOf('>', afterName);
            if (tagEnd > 0 && output.at(tagEnd - 1) == '/')
                return output.mid(begin, tagEnd + 1 - begin);
            return {};
        }
        // "<updatesomething": not ours, keep looking.
        from = afterName;
    }
}

bool parseUpdateList(const QByteArray &xml, QList<UpdateInfo> *updates)
{
    QXmlStreamReader reader(xml);
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("updates"))
        return false;

    while (reader.readNextStartElement()) {
        if (reader.name() != QLatin1String("update")) {
            reader.skipCurrentElement();
            continue;
        }
        const QXmlStreamAttributes attributes = reader.attributes();
        UpdateInfo info;
        info.name = attributes.value(QLatin1String("name")).toString().trimmed();
        info.version = attributes.value(QLatin1String("version")).toString().trimmed();
        bool sizeOk = false;
        const qint64 size = attributes.value(QLatin1String("size")).toLongLong(&sizeOk);
        info.size = sizeOk && size > 0 ? size : 0;
        // An entry we cannot name to the user means we misread the answer.
        if (info.name.isEmpty())
            return false;
        updates->append(info);
        reader.skipCurrentElement();
    }
    return !reader.hasError();
}

QString applicationName()
{
    const QString display = QGuiApplication::applicationDisplayName();
    return display.isEmpty() ? QCoreApplication::applicationName() : display;
}

QMessageBox *createMessageWindow(QMessageBox::Icon icon, const QString &objectName,
                                 const QString &title, const QString &text)
{
    auto *box = new QMessageBox(icon, title, text, QMessageBox::Ok);
    box->setObjectName(objectName);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAttribute(Qt::WA_QuitOnClose, false);
    box->setWindowModality(Qt::NonModal);
    return box;
}

} // namespace

UpdateController::UpdateController(const QString &maintenanceToolPath, QObject *parent)
    : QObject(parent)
    , m_toolPath(resolveToolPath(maintenanceToolPath))
{
    qRegisterMetaType<QtAutoUpdater::UpdateInfo>();
    qRegisterMetaType<QtAutoUpdater::UpdateController::Result>();

    m_timeoutTimer.setSingleShot(true);
    // Coarse timers may fire up to 5% early; both delays are promises.
    m_timeoutTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_timeoutTimer, &QTimer::timeout, this, [this] { stopProcess(Failure::TimedOut); });
    m_killTimer.setSingleShot(true);
    m_killTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_killTimer, &QTimer::timeout, this, [this] {
        if (m_process)
            m_process->kill();
    });

    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &UpdateController::onAboutToQuit);
}

UpdateController::~UpdateController()
{
    if (m_process) {
        // Reap the child here rather than leave it running or let QProcess
        // complain; after SIGKILL the wait is only for the kernel.
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(1000);
        delete m_process;
    }
    // Their buttons talk to us, so they go with us; but once QApplication is
    // being torn down (we are usually its child) deleting a dialog crashes
    // inside Qt, and the process is ending anyway.
    if (QCoreApplication::instance() && !QCoreApplication::closingDown())
        deleteWindows();
}

void UpdateController::deleteWindows()
{
    delete m_questionWindow.data();
    delete m_progressWindow.data();
    delete m_resultWindow.data();
}

QString UpdateController::resolveToolPath(const QString &path)
{
    QString resolved = QDir::fromNativeSeparators(path.trimmed());
#ifndef Q_OS_WIN
    if (resolved.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        resolved.chop(4);
#endif
    if (resolved.isEmpty())
        return {};
    if (QDir::isRelativePath(resolved)) {
        // Without an application object there is no application directory,
        // and falling back to the current directory is exactly what must
        // not happen.
        if (!QCoreApplication::instance())
            return {};
        resolved = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(resolved);
    }
    return QDir::cleanPath(resolved);
}

QString UpdateController::maintenanceToolPath() const
{
    return m_toolPath;
}

bool UpdateController::isDetailedUpdateInfo() const
{
    return m_detailed;
}

void UpdateController::setDetailedUpdateInfo(bool detailed)
{
    m_detailed = detailed;
}

int UpdateController::checkTimeout() const
{
    return m_timeout;
}

void UpdateController::setCheckTimeout(int milliseconds)
{
    m_timeout = milliseconds > 0 ? milliseconds : DefaultCheckTimeout;
}

bool UpdateController::isRunning() const
{
    return m_running;
}

UpdateController::DisplayLevel UpdateController::currentDisplayLevel() const
{
    return m_level;
}

UpdateController::Result UpdateController::lastResult() const
{
    return m_lastResult;
}

bool UpdateController::isUpdaterScheduledOnExit() const
{
    return m_runUpdaterOnExit;
}

void UpdateController::setUpdaterScheduledOnExit(bool scheduled)
{
    m_runUpdaterOnExit = scheduled;
}

bool UpdateController::start(DisplayLevel displayLevel)
{
    if (m_running)
        return false;

    m_level = displayLevel;

    // Checked before anything is asked or started, so a broken installation
    // never gets as far as a question or a busy window.
    Result failure;
    if (!validateTool(&failure)) {
        finishCheck(failure);
        return false;
    }

    m_running = true;
    emit runningChanged(true);

    if (displayLevel == AskLevel)
        showQuestion();
    else
        beginCheck();
    return true;
}

void UpdateController::cancel()
{
    if (m_questionWindow) {
        QWidget *question = m_questionWindow;
        m_questionWindow = nullptr;
        question->disconnect(this);
        question->close();
        m_running = false;
        emit runningChanged(false);
        return;
    }
    stopProcess(Failure::Canceled);
}

bool UpdateController::launchUpdater()
{
    Result failure;
    if (!validateTool(&failure))
        return false;
    const bool started = QProcess::startDetached(m_toolPath, {UpdaterArgument},
                                                 QFileInfo(m_toolPath).absolutePath());
    if (started)
        emit updaterLaunched();
    return started;
}

bool UpdateController::validateTool(Result *failure) const
{
    const QString shownPath = QDir::toNativeSeparators(m_toolPath);
    const QFileInfo info(m_toolPath);
    failure->status = Status::Failed;
    if (m_toolPath.isEmpty() || !info.exists()) {
        failure->failure = Failure::ToolMissing;
        failure->errorString = tr("The maintenance tool \"%1\" does not exist.").arg(shownPath);
        return false;
    }
    if (!info.isFile() || !info.isExecutable()) {
        failure->failure = Failure::ToolNotExecutable;
        failure->errorString = tr("The maintenance tool \"%1\" is not an executable file.").arg(shownPath);
        return false;
    }
    return true;
}

void UpdateController::beginCheck()
{
    // The tool may have gone while the question was on screen.
    Result failure;
    if (!validateTool(&failure)) {
        finishCheck(failure);
        return;
    }

    m_stdout.clear();
    m_stderr.clear();
    m_stopReason = Failure::None;

    auto *process = new QProcess(this);
    m_process = process;
    process->setProgram(m_toolPath);
    process->setArguments({CheckArgument});
    process->setWorkingDirectory(QFileInfo(m_toolPath).absolutePath());
    // A tool that asks something on stdin must see end-of-file, not hang.
    process->setStandardInputFile(QProcess::nullDevice());

    connect(process, &QProcess::readyReadStandardOutput, this, &UpdateController::drainOutput);
    connect(process, &QProcess::readyReadStandardError, this, &UpdateController::drainOutput);
    connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this, process](int exitCode, QProcess::ExitStatus exitStatus) {
                if (process == m_process)
                    onProcessFinished(exitCode, exitStatus);
            });
    connect(process, &QProcess::started, this, [this, process] {
        if (process == m_process && m_stopReason != Failure::None)
            process->terminate();
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (process == m_process)
            onProcessError(error);
    });

    if (m_level >= ProgressLevel)
        showProgress();
    m_timeoutTimer.start(m_timeout);
    process->start(QIODevice::ReadOnly);
}

void UpdateController::stopProcess(Failure reason)
{
    // The first reason wins: a cancel during the grace period of a timeout
    // is still a timeout.
    if (!m_process || m_stopReason != Failure::None)
        return;
    m_stopReason = reason;
    m_timeoutTimer.stop();
    // Until started() the child may not have reached exec() yet and would
    // still run our own SIGTERM handling; the started handler sends it then.
    // SIGKILL after the grace period is safe either way.
    if (m_process->state() == QProcess::Running)
        m_process->terminate();
    m_killTimer.start(TerminateGracePeriod);
}

void UpdateController::drainOutput()
{
    if (!m_process)
        return;

    const QByteArray out = m_process->readAllStandardOutput();
    if (m_stopReason == Failure::None) {
        if (m_stdout.size() + out.size() > MaxStandardOutput)
            stopProcess(Failure::OutputTooLarge);
        else
            m_stdout += out;
    }

    const QByteArray err = m_process->readAllStandardError();
    const int room = MaxErrorOutput - m_stderr.size();
    if (room > 0)
        m_stderr += err.left(room);
}

void UpdateController::onProcessError(int error)
{
    // Crashes and read errors are followed by finished(); only a failed
    // start ends here.
    if (error != QProcess::FailedToStart)
        return;
    Result result;
    result.status = Status::Failed;
    result.failure = Failure::FailedToStart;
    result.errorString = tr("The maintenance tool \"%1\" could not be started: %2")
                             .arg(QDir::toNativeSeparators(m_toolPath), m_process->errorString());
    finishCheck(result);
}

void UpdateController::onProcessFinished(int exitCode, int exitStatus)
{
    drainOutput();

    Result result;
    result.status = Status::Failed;
    result.errorOutput = QString::fromLocal8Bit(m_stderr).trimmed();

    QString reason;
    if (m_stopReason != Failure::None) {
        result.failure = m_stopReason;
        switch (m_stopReason) {
        case Failure::TimedOut:
            reason = timeoutText();
            break;
        case Failure::OutputTooLarge:
            reason = tr("The maintenance tool produced far more output than expected and was stopped.");
            break;
        default:
            reason = tr("The check for updates was canceled.");
            break;
        }
    } else if (exitStatus == QProcess::CrashExit) {
        result.failure = Failure::Crashed;
        reason = tr("The maintenance tool crashed.");
    } else {
        result.exitCode = exitCode;
        if (exitCode == 0) {
            const QByteArray list = extractUpdateList(m_stdout);
            QList<UpdateInfo> updates;
            if (!list.isEmpty() && parseUpdateList(list, &updates)) {
                result.status = updates.isEmpty() ? Status::NoUpdates : Status::UpdatesAvailable;
                result.updates = updates;
            } else {
                result.failure = Failure::InvalidOutput;
                reason = tr("The maintenance tool reported updates, but its output contains no readable list of them.");
            }
        } else if (exitCode == 1) {
            result.status = Status::NoUpdates;
        } else {
            result.failure = Failure::ExitCode;
            reason = tr("The maintenance tool failed with exit code %1.").arg(exitCode);
        }
    }

    if (result.status == Status::Failed) {
        if (!result.errorOutput.isEmpty()) {
            QString shown = result.errorOutput;
            if (shown.size() > MaxShownErrorOutput)
                shown = shown.left(MaxShownErrorOutput) + QStringLiteral("...");
            reason += QLatin1Char('\n') + tr("Its error output was:\n%1").arg(shown);
        }
        result.errorString = reason;
    }
    finishCheck(result);
}

void UpdateController::finishCheck(const Result &result)
{
    m_timeoutTimer.stop();
    m_killTimer.stop();
    if (m_process) {
        m_process->disconnect(this);
        m_process->deleteLater();
        m_process = nullptr;
    }
    m_stdout.clear();
    m_stderr.clear();
    m_stopReason = Failure::None;
    closeProgress();

    const bool wasRunning = m_running;
    m_running = false;
    m_lastResult = result;

    reportResult(result);

    // Last, because a receiver may start another check or delete us.
    if (wasRunning)
        emit runningChanged(false);
    emit checkFinished(result);
}

void UpdateController::reportResult(const Result &result)
{
    if (m_level < InfoLevel)
        return;
    if (result.status == Status::UpdatesAvailable) {
        showUpdates(result);
        return;
    }
    // The user asked to stop; telling them it stopped is noise.
    if (result.failure == Failure::Canceled)
        return;
    if (m_level >= ExtendedInfoLevel)
        showMessage(result);
}

void UpdateController::onAboutToQuit()
{
    // Last chance to remove our windows while QApplication is whole.
    deleteWindows();
    if (!m_runUpdaterOnExit)
        return;
    m_runUpdaterOnExit = false;
    launchUpdater();
}

QString UpdateController::timeoutText() const
{
    return tr("The maintenance tool did not finish within %1 seconds and was stopped.")
        .arg(QLocale().toString(m_timeout / 1000.0, 'g', 3));
}

void UpdateController::showQuestion()
{
    auto *box = new QMessageBox(QMessageBox::Question, tr("Check for updates"),
                                tr("Do you want to check for updates now?"),
                                QMessageBox::Yes | QMessageBox::No);
    box->setObjectName(QStringLiteral("qtautoupdater_ask"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAttribute(Qt::WA_QuitOnClose, false);
    box->setWindowModality(Qt::NonModal);
    box->setDefaultButton(QMessageBox::Yes);
    connect(box, &QMessageBox::finished, this, [this, box](int answer) {
        if (box != m_questionWindow)
            return;
        m_questionWindow = nullptr;
        if (answer == QMessageBox::Yes) {
            beginCheck();
        } else {
            m_running = false;
            emit runningChanged(false);
        }
    });
    m_questionWindow = box;
    box->show();
}

void UpdateController::showProgress()
{
    closeProgress();

    auto *dialog = new QDialog;
    dialog->setObjectName(QStringLiteral("qtautoupdater_progress"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAttribute(Qt::WA_QuitOnClose, false);
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
    connect(dialog, &QDialog::rejected, this, &UpdateController::cancel);

    m_progressWindow = dialog;
    dialog->show();
}

void UpdateController::closeProgress()
{
    if (!m_progressWindow)
        return;
    QWidget *window = m_progressWindow;
    m_progressWindow = nullptr;
    // close() rejects the dialog, which must not read as a cancel.
    window->disconnect(this);
    window->close();
}

void UpdateController::showUpdates(const Result &result)
{
    const QLocale locale;
    const int count = result.updates.size();
    qint64 totalSize = 0;
    for (const UpdateInfo &info : result.updates)
        totalSize += info.size;

    auto *dialog = new QDialog;
    dialog->setObjectName(QStringLiteral("qtautoupdater_updates"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAttribute(Qt::WA_QuitOnClose, false);
    dialog->setWindowTitle(tr("Updates available"));

    auto *layout = new QVBoxLayout(dialog);
    auto *summary = new QLabel(tr("%n update(s) available for %1.", nullptr, count).arg(applicationName()), dialog);
    summary->setObjectName(QStringLiteral("summary"));
    summary->setWordWrap(true);
    layout->addWidget(summary);

    if (m_detailed) {
        auto *table = new QTreeWidget(dialog);
        table->setObjectName(QStringLiteral("updateTable"));
        table->setRootIsDecorated(false);
        table->setColumnCount(3);
        table->setHeaderLabels({tr("Name"), tr("Version"), tr("Size")});
        for (const UpdateInfo &info : result.updates) {
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
        for (const UpdateInfo &info : result.updates) {
            list->addItem(info.version.isEmpty() ? info.name
                                                 : tr("%1 (version %2)").arg(info.name, info.version));
        }
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
        if (!launchUpdater()) {
            QMessageBox *box = createMessageWindow(
                QMessageBox::Warning, QStringLiteral("qtautoupdater_failure"), tr("Update failed"),
                tr("The updater \"%1\" could not be started.").arg(QDir::toNativeSeparators(m_toolPath)));
            replaceResultWindow(box);
            box->show();
        }
    });
    connect(onExit, &QPushButton::clicked, this, [this, dialog] {
        setUpdaterScheduledOnExit(true);
        dialog->close();
    });
    connect(later, &QPushButton::clicked, dialog, &QDialog::close);

    replaceResultWindow(dialog);
    dialog->show();
}

void UpdateController::showMessage(const Result &result)
{
    QMessageBox *box = nullptr;
    if (result.status == Status::NoUpdates) {
        box = createMessageWindow(QMessageBox::Information, QStringLiteral("qtautoupdater_noUpdates"),
                                  tr("No updates"),
                                  tr("No updates are available for %1.").arg(applicationName()));
    } else {
        box = createMessageWindow(QMessageBox::Warning, QStringLiteral("qtautoupdater_failure"),
                                  tr("Update check failed"), tr("The check for updates failed."));
        box->setInformativeText(result.errorString);
    }
    replaceResultWindow(box);
    box->show();
}

void UpdateController::replaceResultWindow(QWidget *window)
{
    // One answer on screen at a time: an older one is out of date.
    if (m_resultWindow && m_resultWindow != window)
        m_resultWindow->close();
    m_resultWindow = window;
}

} // namespace QtAutoUpdater
