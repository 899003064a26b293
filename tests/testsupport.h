// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtTest>
#include <QtWidgets>

#include <functional>

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &bytes, bool executable = false)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size()
        && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | (executable ? QFile::ExeOwner : QFile::Permissions()));
}

// A stand-in maintenance tool: notes its pid and command line, then runs `body`.
inline bool writeTool(const QString &path, const QByteArray &body, bool executable = true)
{
    for (const char *suffix : {".pid", ".log", ".helper"})
        QFile::remove(path + suffix);
    return writeFile(path, "#!/bin/sh\necho $$ > \"$0.pid\"\necho \"$@\" >> \"$0.log\"\n" + body + '\n', executable);
}

// A measured figure for <program>.report, which scripts/test prints.
inline void report(const QString &line)
{
    static bool first = true;
    qInfo().noquote() << line;
    QFile file(QCoreApplication::applicationName() + QLatin1String(".report"));
    if (file.open(first ? QIODevice::WriteOnly | QIODevice::Truncate : QIODevice::Append))
        file.write(line.toUtf8() + '\n');
    first = false;
}

inline QWidgetList updateWindows(const QString &kind = QString())
{
    QWidgetList found;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->objectName().startsWith("qtautoupdater_" + kind))
            found << widget;
    return found;
}

template<typename T>
T *child(QObject *window, const char *name)
{
    T *found = window->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

inline bool sameIcon(const QIcon &icon, const char *path)
{
    return !icon.isNull() && icon.pixmap(32, 32).toImage() == QIcon(QLatin1String(path)).pixmap(32, 32).toImage();
}

// Hands the next modal dialog to `answer`; gives up after 20 s, not to answer a later test's.
template<typename Dialog>
void whenModal(std::function<void(Dialog *)> answer)
{
    auto *poll = new QTimer(qApp);
    poll->setObjectName(QStringLiteral("modalPoll"));
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, clock, answer] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (dialog || clock->hasExpired(20000))
            poll->deleteLater();
        if (dialog)
            answer(dialog);
    });
    poll->start(10);
}

inline void closeLeftoverPolls()
{
    qDeleteAll(qApp->findChildren<QTimer *>(QStringLiteral("modalPoll"), Qt::FindDirectChildrenOnly));
}

// Chooses `path` (cancels when empty); `chosen` runs before the window has the file.
inline void answerFileDialog(const QString &path, QString *seen = nullptr, std::function<void()> chosen = {})
{
    whenModal<QFileDialog>([=](QFileDialog *dialog) {
        if (seen)
            *seen = QStringList{dialog->windowTitle(), dialog->nameFilters().join(';'), dialog->directory().absolutePath(),
                                dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text()}.join('|');
        if (path.isEmpty())
            return dialog->reject();
        // Typed: selectFile() would depend on the directory being listed.
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides accept()
        if (chosen)
            chosen();
    });
}

// Presses `button` (NoButton: Escape) in the next message box; `seen` gets its title and text.
inline void answerMessageBox(QMessageBox::StandardButton button, QString *seen)
{
    whenModal<QMessageBox>([=](QMessageBox *box) {
        *seen = box->windowTitle() + '|' + box->text();
        if (button == QMessageBox::NoButton)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(button)->click();
    });
}

#ifdef SONAVEL_TEST_AUDIO_DIR
#include "mainwindow.h"

#include <QMediaPlayer>

inline QString audioFile(const QString &name)
{
    return QStringLiteral(SONAVEL_TEST_AUDIO_DIR "/") + name;
}

struct WindowFixture
{
    MainWindow *window = nullptr;

    void makeWindow()
    {
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        window = new MainWindow;
        window->show();
    }
    QMediaPlayer *player() const { return window->findChild<QMediaPlayer *>(); }
    QString status() const { return window->statusBar()->currentMessage(); }
    QString label(const char *name) const { return child<QLabel>(window, name)->text(); }
    QString labels() const { return QStringList{label("label_fileName"), label("label_albumTitle"), label("label_albumArtist")}.join('|'); }
    // Marks the three track labels, so that a load must fill them itself.
    void markLabels() const
    {
        for (const char *name : {"label_fileName", "label_albumTitle", "label_albumArtist"})
            child<QLabel>(window, name)->setText("?");
    }
    QAction *action(const char *name) const { return child<QAction>(window, name); }
    void press(const char *button) const { child<QPushButton>(window, button)->click(); }
    void open(const QString &path, std::function<void()> chosen = {}) const
    {
        answerFileDialog(path, nullptr, chosen);
        action("actionOuvrir")->trigger();
    }
    bool loaded() const { return player()->mediaStatus() == QMediaPlayer::LoadedMedia; }
    // Presses play; true once the track has played past `ms`.
    bool playPast(qint64 ms) const
    {
        press("button_playPause");
        return QTest::qWaitFor([=] { return player()->position() > ms; }, 10000);
    }
    bool playing() const { return player()->state() == QMediaPlayer::PlayingState; }
    bool showsLook(const char *icon, const char *text) const
    {
        return sameIcon(child<QPushButton>(window, "button_playPause")->icon(), icon)
            && sameIcon(action("actionLancer")->icon(), icon) && action("actionLancer")->text() == QLatin1String(text);
    }
    bool showsPlayLook() const { return showsLook(":/buttons/play", "Lancer la musique"); }
    bool showsPauseLook() const { return showsLook(":/buttons/pause", "Mettre en pause"); }
    bool showsMuteLook(bool muted) const
    {
        auto *mute = child<QPushButton>(window, "button_muteSong");
        auto *command = action("actionCouperSon");
        return sameIcon(mute->icon(), muted ? ":/buttons/mute" : ":/buttons/unmute")
            && sameIcon(command->icon(), muted ? ":/buttons/unmute" : ":/buttons/mute")
            && mute->toolTip() == (muted ? "Le son est coupé" : "Le son est activé")
            && command->text() == (muted ? "Activer le son" : "Couper le son");
    }
};
#endif
