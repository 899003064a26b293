#pragma once

// Helpers shared by the window tests: finding the window's children by object
// name, comparing icons, and answering the modal dialogs that the slots open.

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QIcon>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

inline QString audioFile(const QString &name)
{
    return QStringLiteral(SONAVEL_TEST_AUDIO_DIR "/") + name;
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
    const QSize size(32, 32);
    return !icon.isNull() && icon.pixmap(size).toImage() == QIcon(QLatin1String(path)).pixmap(size).toImage();
}

// Waits, from inside the event loop of a modal dialog, for a dialog of that
// kind to be the active modal widget and hands it to `answer`. A dialog that
// never comes is the caller's failure to report; the poll gives up after 20 s
// so that it cannot answer a later test's dialog.
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

// Drops the polls whose dialog did not come.
inline void closeLeftoverPolls()
{
    qDeleteAll(qApp->findChildren<QTimer *>(QStringLiteral("modalPoll"), Qt::FindDirectChildrenOnly));
}

// Chooses `path` in the next open-file dialog, or cancels it when `path` is empty.
inline void answerFileDialog(const QString &path, QString *caption = nullptr, QStringList *filters = nullptr)
{
    whenModal<QFileDialog>([=](QFileDialog *dialog) {
        if (caption)
            *caption = dialog->windowTitle();
        if (filters)
            *filters = dialog->nameFilters();
        if (path.isEmpty())
            return dialog->reject();
        // Typing the absolute path does not depend on the dialog having
        // listed the directory yet, as selectFile() does.
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides accept()
    });
}

struct SeenMessageBox
{
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    bool seen = false;
};

// Presses `button` in the next message box (Escape when it is NoButton) and
// records what the box showed.
inline void answerMessageBox(QMessageBox::StandardButton button, SeenMessageBox *seen)
{
    whenModal<QMessageBox>([=](QMessageBox *box) {
        *seen = {box->windowTitle(), box->text(), box->standardButtons(), true};
        if (button == QMessageBox::NoButton)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(button)->click();
    });
}
