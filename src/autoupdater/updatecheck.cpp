// SPDX-License-Identifier: GPL-3.0-or-later
#include "updatecheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QXmlStreamReader>

#include <cstring>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace QtAutoUpdater {

namespace {

// A real tool prints a few kilobytes; far more is a broken or hostile tool.
constexpr int MaxOutput = 4 * 1024 * 1024;
// Only the start of the error output is useful to the user.
constexpr int MaxErrorOutput = 2000;
constexpr int TerminateGracePeriod = 2000;
// At quit nothing waits for us: a short chance to end on SIGTERM, then SIGKILL.
constexpr int QuitGracePeriod = 300;

class ToolProcess : public QProcess
{
public:
    using QProcess::QProcess;

protected:
#ifdef Q_OS_UNIX
    // In the child: a session, and so a process group, of its own, which takes
    // every helper the tool starts along with it. Out of our group, it misses
    // what is sent to us (Ctrl+C); on Linux it hears of our death instead.
    void setupChildProcess() override
    {
        (void)::setsid();
#ifdef Q_OS_LINUX
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    }
#endif
};

// The tool mixes log lines with its answer: the XML reader gets only the
// <updates> element, never what came before it (a DTD and its entities).
QByteArray extractUpdateList(const QByteArray &output)
{
    static const QByteArray openTag("<updates"), closeTag("</updates>");
    for (int begin = output.indexOf(openTag); begin >= 0; begin = output.indexOf(openTag, begin + 1)) {
        const char next = output.constData()[begin + openTag.size()]; // '\0' at the end
        if (!next || !std::strchr(" \t\r\n/>", next))
            continue; // "<updatesfeed": not ours
        const int tagEnd = output.indexOf('>', begin);
        if (tagEnd > 0 && output.at(tagEnd - 1) == '/')
            return output.mid(begin, tagEnd + 1 - begin);
        const int close = output.indexOf(closeTag, begin);
        return close < 0 ? QByteArray() : output.mid(begin, close + closeTag.size() - begin);
    }
    return {};
}

bool parseUpdateList(const QByteArray &xml, QList<UpdateInfo> *updates)
{
    QXmlStreamReader reader(xml);
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("updates"))
        return false;
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("update")) {
            const QXmlStreamAttributes attributes = reader.attributes();
            updates->append({attributes.value(QLatin1String("name")).toString().trimmed(),
                             attributes.value(QLatin1String("version")).toString().trimmed(),
                             qMax<qint64>(attributes.value(QLatin1String("size")).toLongLong(), 0)});
            // An entry we cannot name to the user means we misread the answer.
            if (updates->last().name.isEmpty())
                return false;
        }
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
    // Never the current directory, not even without an application object.
    const bool relative = QDir::isRelativePath(resolved);
    if (resolved.isEmpty() || (relative && !QCoreApplication::instance()))
        return {};
    return QDir::cleanPath(relative ? QCoreApplication::applicationDirPath() + QLatin1Char('/') + resolved : resolved);
}

UpdateCheck::Result UpdateCheck::parseOutput(const QByteArray &output)
{
    Result result;
    if (parseUpdateList(extractUpdateList(output), &result.updates))
        result.status = result.updates.isEmpty() ? Status::NoUpdates : Status::UpdatesAvailable;
    else
        result = {Status::Failed, Failure::InvalidOutput, {},
                  tr("The maintenance tool reported updates, but its output contains no readable list of them.")};
    return result;
}

UpdateCheck::UpdateCheck(const QString &toolPath, QObject *parent)
    : QObject(parent)
    , m_toolPath(resolveToolPath(toolPath))
{
    qRegisterMetaType<QtAutoUpdater::UpdateCheck::Result>();
    m_timer.setSingleShot(true);
    // Coarse timers may fire up to 5% early; both delays are promises.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_stopReason == Failure::None)
            stop(Failure::TimedOut);
        else
            signalGroup(true);
    });
    // Not in ~QApplication: by then the window is gone, and the user believes us ended.
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &UpdateCheck::endNow);
}

UpdateCheck::~UpdateCheck()
{
    if (m_process) {
        m_process->disconnect(this);
        signalGroup(true);
        // After SIGKILL the wait is only for the kernel to reap the child.
        m_process->waitForFinished(1000);
    }
}

UpdateCheck::Result UpdateCheck::checkTool() const
{
    const QFileInfo info(m_toolPath);
    return !m_toolPath.isEmpty() && info.isFile() && info.isExecutable() ? Result() : failed(Failure::ToolMissing);
}

bool UpdateCheck::start()
{
    if (m_running)
        return false;
    m_running = true;
    // Our caller may be a window still being built: forking now would delay its
    // first frame and hand the tool the environment of its start-up, not the user's.
    QTimer::singleShot(0, this, &UpdateCheck::launch);
    return true;
}

void UpdateCheck::launch()
{
    if (m_stopReason != Failure::None)
        return finish(failed(m_stopReason));

    m_process = new ToolProcess(this);
    m_process->setProgram(m_toolPath);
    m_process->setArguments({QStringLiteral("--checkupdates")});
    m_process->setWorkingDirectory(QFileInfo(m_toolPath).absolutePath());
    // A tool that asks something on stdin must see end-of-file, not hang.
    m_process->setStandardInputFile(QProcess::nullDevice());
    connect(m_process, &QProcess::readyReadStandardOutput, this, &UpdateCheck::drainOutput);
    connect(m_process, &QProcess::readyReadStandardError, this, &UpdateCheck::drainOutput);
    connect(m_process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &UpdateCheck::onProcessFinished);
    connect(m_process, &QProcess::started, this, [this] {
        // A stop that came before the child had its own group is sent now.
        if (m_stopReason != Failure::None)
            signalGroup(false);
    });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        // Crashes and read errors are followed by finished(); a failed start is not.
        if (error == QProcess::FailedToStart)
            finish(failed(Failure::FailedToStart));
    });
    m_timer.start(m_timeout);
    m_process->start(QIODevice::ReadOnly);
    // Known from the fork on; a group once the child has called setsid().
    if (m_process)
        m_group = m_process->processId();
}

void UpdateCheck::stop(Failure reason)
{
    // The first reason wins: a cancel during a timeout's grace period is still a timeout.
    if (!m_running || m_stopReason != Failure::None)
        return;
    m_stopReason = reason;
    m_timer.stop();
    // Not launched yet: launch() reports the reason instead of starting.
    if (m_process) {
        signalGroup(false);
        m_timer.start(TerminateGracePeriod);
    }
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
    if (m_stopReason == Failure::None && (m_stdout += out).size() > MaxOutput)
        stop(Failure::OutputTooLarge);
    m_stderr += m_process->readAllStandardError().left(qMax(0, MaxErrorOutput - m_stderr.size()));
}

void UpdateCheck::onProcessFinished(int exitCode, int exitStatus)
{
    drainOutput();
    Result result;
    if (m_stopReason != Failure::None)
        result = failed(m_stopReason);
    else if (exitStatus == QProcess::CrashExit)
        result = failed(Failure::Crashed);
    else if (exitCode == 0)
        result = parseOutput(m_stdout);
    else if (exitCode == 1)
        result.status = Status::NoUpdates;
    else
        result = failed(Failure::ExitCode, exitCode);
    const QString errorOutput = QString::fromLocal8Bit(m_stderr).trimmed();
    if (result.status == Status::Failed && !errorOutput.isEmpty())
        result.errorString += QLatin1Char('\n') + tr("Its error output was:\n%1").arg(errorOutput);
    finish(result);
}

void UpdateCheck::finish(const Result &result)
{
    m_timer.stop();
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

UpdateCheck::Result UpdateCheck::failed(Failure failure, int exitCode) const
{
    const QString tool = QDir::toNativeSeparators(m_toolPath);
    Result result{Status::Failed, failure, {}, tr("The check for updates was canceled.")};
    if (failure == Failure::ToolMissing)
        result.errorString = tr("The maintenance tool \"%1\" does not exist or is not an executable file.").arg(tool);
    else if (failure == Failure::FailedToStart)
        result.errorString =
            tr("The maintenance tool \"%1\" could not be started: %2").arg(tool, m_process->errorString());
    else if (failure == Failure::TimedOut)
        result.errorString = tr("The maintenance tool did not finish within %n second(s) and was stopped.", nullptr,
                                (m_timeout + 999) / 1000);
    else if (failure == Failure::OutputTooLarge)
        result.errorString = tr("The maintenance tool produced far more output than expected and was stopped.");
    else if (failure == Failure::Crashed)
        result.errorString = tr("The maintenance tool crashed.");
    else if (failure == Failure::ExitCode)
        result.errorString = tr("The maintenance tool failed with exit code %1.").arg(exitCode);
    return result;
}

} // namespace QtAutoUpdater
