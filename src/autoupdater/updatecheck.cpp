#include "updatecheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QXmlStreamReader>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace QtAutoUpdater {

namespace {

// Only the start of the error output is useful to the user.
constexpr int MaxErrorOutput = 64 * 1024;
constexpr int MaxShownErrorOutput = 2000;
// At quit nothing waits for us: a short chance to end on SIGTERM, then SIGKILL.
constexpr int QuitGracePeriod = 300;

class ToolProcess : public QProcess
{
public:
    using QProcess::QProcess;

protected:
#ifdef Q_OS_UNIX
    // In the child between fork and exec: a session, and so a process group,
    // of its own, which takes every helper the tool starts along with it.
    // Out of our group, it no longer gets what is sent to us (Ctrl+C, a
    // session's SIGTERM); on Linux it hears of our death instead.
    void setupChildProcess() override
    {
        (void)::setsid();
#ifdef Q_OS_LINUX
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    }
#endif
};

// The tool mixes log lines with its answer, so the <updates> element is cut
// out before it goes anywhere near the XML reader; whatever came before it (a
// DTD with its entities included) is never read.
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

} // namespace

QString UpdateCheck::resolveToolPath(const QString &path)
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

UpdateCheck::Result UpdateCheck::parseOutput(const QByteArray &output)
{
    Result result;
    const QByteArray list = extractUpdateList(output);
    if (!list.isEmpty() && parseUpdateList(list, &result.updates)) {
        result.status = result.updates.isEmpty() ? Status::NoUpdates : Status::UpdatesAvailable;
        return result;
    }
    result.updates.clear();
    result.status = Status::Failed;
    result.failure = Failure::InvalidOutput;
    result.errorString = tr("The maintenance tool reported updates, but its output contains no readable list of them.");
    return result;
}

UpdateCheck::UpdateCheck(const QString &toolPath, QObject *parent)
    : QObject(parent)
    , m_toolPath(resolveToolPath(toolPath))
{
    qRegisterMetaType<QtAutoUpdater::UpdateCheck::Result>();

    m_timeoutTimer.setSingleShot(true);
    // Coarse timers may fire up to 5% early; both delays are promises.
    m_timeoutTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_timeoutTimer, &QTimer::timeout, this, [this] { stop(Failure::TimedOut); });
    m_killTimer.setSingleShot(true);
    m_killTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_killTimer, &QTimer::timeout, this, [this] { signalGroup(true); });

    // Not in ~QApplication: by then the window is gone and the user believes
    // the program has ended, and a tool still running would say otherwise.
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &UpdateCheck::endNow);
}

UpdateCheck::~UpdateCheck()
{
    if (m_process) {
        m_process->disconnect(this);
        signalGroup(true);
        m_process->kill();
        // Reap the child here rather than let QProcess complain; after
        // SIGKILL the wait is only for the kernel.
        m_process->waitForFinished(1000);
        delete m_process;
    }
}

QString UpdateCheck::toolPath() const
{
    return m_toolPath;
}

void UpdateCheck::setTimeout(int milliseconds)
{
    m_timeout = milliseconds > 0 ? milliseconds : DefaultTimeout;
}

bool UpdateCheck::isRunning() const
{
    return m_running;
}

UpdateCheck::Result UpdateCheck::checkTool() const
{
    Result result;
    const QFileInfo info(m_toolPath);
    if (m_toolPath.isEmpty() || !info.exists())
        result.failure = Failure::ToolMissing;
    else if (!info.isFile() || !info.isExecutable())
        result.failure = Failure::ToolNotExecutable;
    else
        return result;
    result.status = Status::Failed;
    result.errorString = failureText(result.failure, -1);
    return result;
}

bool UpdateCheck::start()
{
    if (m_running)
        return false;
    m_running = true;
    m_stopReason = Failure::None;
    // Our caller may be a window still being built, before the event loop
    // runs and while the environment holds what only its start-up needs:
    // forking now would delay its first frame and hand the tool that
    // environment. From the event loop the tool gets the environment as it is
    // by then, the one the user started us with.
    QTimer::singleShot(0, this, &UpdateCheck::launch);
    return true;
}

void UpdateCheck::launch()
{
    Result early = checkTool();
    if (m_stopReason != Failure::None) {
        early.status = Status::Failed;
        early.failure = m_stopReason;
        early.errorString = failureText(m_stopReason, -1);
    }
    if (early.status == Status::Failed) {
        finish(early);
        return;
    }

    auto *process = new ToolProcess(this);
    m_process = process;
    process->setProgram(m_toolPath);
    process->setArguments({QStringLiteral("--checkupdates")});
    process->setWorkingDirectory(QFileInfo(m_toolPath).absolutePath());
    // A tool that asks something on stdin must see end-of-file, not hang.
    process->setStandardInputFile(QProcess::nullDevice());

    connect(process, &QProcess::readyReadStandardOutput, this, &UpdateCheck::drainOutput);
    connect(process, &QProcess::readyReadStandardError, this, &UpdateCheck::drainOutput);
    connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &UpdateCheck::onProcessFinished);
    connect(process, &QProcess::started, this, [this, process] {
        m_group = process->processId();
        // A stop that came before the child had its own group is sent now.
        if (m_stopReason != Failure::None)
            signalGroup(false);
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        // Crashes and read errors are followed by finished(); only a failed
        // start ends here.
        if (error != QProcess::FailedToStart)
            return;
        Result result;
        result.status = Status::Failed;
        result.failure = Failure::FailedToStart;
        result.errorString = tr("The maintenance tool \"%1\" could not be started: %2")
                                 .arg(QDir::toNativeSeparators(m_toolPath), process->errorString());
        finish(result);
    });

    m_timeoutTimer.start(m_timeout);
    process->start(QIODevice::ReadOnly);
}

void UpdateCheck::stop(Failure reason)
{
    // The first reason wins: a cancel during the grace period of a timeout
    // is still a timeout.
    if (!m_running || m_stopReason != Failure::None)
        return;
    m_stopReason = reason;
    m_timeoutTimer.stop();
    // Not launched yet: launch() reports the reason instead of starting.
    if (!m_process)
        return;
    signalGroup(false);
    m_killTimer.start(TerminateGracePeriod);
}

void UpdateCheck::endNow()
{
    stop(Failure::Canceled);
    if (m_process && !m_process->waitForFinished(QuitGracePeriod)) {
        signalGroup(true);
        m_process->waitForFinished(1000);
    }
}

void UpdateCheck::signalGroup(bool force)
{
#ifdef Q_OS_UNIX
    // Never 0: kill(0, ...) would signal our own group.
    if (m_group > 0)
        ::kill(pid_t(-m_group), force ? SIGKILL : SIGTERM);
#else
    if (m_process)
        force ? m_process->kill() : m_process->terminate();
#endif
}

void UpdateCheck::drainOutput()
{
    const QByteArray out = m_process->readAllStandardOutput();
    if (m_stopReason == Failure::None) {
        if (m_stdout.size() + out.size() > MaxOutput)
            stop(Failure::OutputTooLarge);
        else
            m_stdout += out;
    }
    const QByteArray err = m_process->readAllStandardError();
    const int room = MaxErrorOutput - m_stderr.size();
    if (room > 0)
        m_stderr += err.left(room);
}

void UpdateCheck::onProcessFinished(int exitCode, int exitStatus)
{
    drainOutput();

    Result result;
    result.status = Status::Failed;
    if (m_stopReason != Failure::None) {
        result.failure = m_stopReason;
    } else if (exitStatus == QProcess::CrashExit) {
        result.failure = Failure::Crashed;
    } else if (exitCode == 0) {
        result = parseOutput(m_stdout);
        result.exitCode = 0;
    } else if (exitCode == 1) {
        result.status = Status::NoUpdates;
        result.exitCode = 1;
    } else {
        result.failure = Failure::ExitCode;
        result.exitCode = exitCode;
    }

    result.errorOutput = QString::fromLocal8Bit(m_stderr).trimmed();
    if (result.status == Status::Failed) {
        if (result.errorString.isEmpty())
            result.errorString = failureText(result.failure, exitCode);
        if (!result.errorOutput.isEmpty()) {
            QString shown = result.errorOutput;
            if (shown.size() > MaxShownErrorOutput)
                shown = shown.left(MaxShownErrorOutput) + QStringLiteral("...");
            result.errorString += QLatin1Char('\n') + tr("Its error output was:\n%1").arg(shown);
        }
    }
    finish(result);
}

void UpdateCheck::finish(Result result)
{
    m_timeoutTimer.stop();
    m_killTimer.stop();
    if (m_process) {
        // The tool itself has gone; whatever is left of its group is a leftover.
        signalGroup(true);
        m_process->disconnect(this);
        m_process->deleteLater();
        m_process = nullptr;
    }
    m_group = 0;
    m_running = false;
    m_stopReason = Failure::None;
    m_stdout.clear();
    m_stderr.clear();
    // Last, because a receiver may start another check or delete us.
    emit finished(result);
}

QString UpdateCheck::failureText(Failure failure, int exitCode) const
{
    const QString path = QDir::toNativeSeparators(m_toolPath);
    switch (failure) {
    case Failure::ToolMissing:
        return tr("The maintenance tool \"%1\" does not exist.").arg(path);
    case Failure::ToolNotExecutable:
        return tr("The maintenance tool \"%1\" is not an executable file.").arg(path);
    case Failure::TimedOut:
        return tr("The maintenance tool did not finish within %n second(s) and was stopped.", nullptr,
                  (m_timeout + 999) / 1000);
    case Failure::OutputTooLarge:
        return tr("The maintenance tool produced far more output than expected and was stopped.");
    case Failure::Crashed:
        return tr("The maintenance tool crashed.");
    case Failure::ExitCode:
        return tr("The maintenance tool failed with exit code %1.").arg(exitCode);
    case Failure::Canceled:
        return tr("The check for updates was canceled.");
    default:
        return {};
    }
}

} // namespace QtAutoUpdater
