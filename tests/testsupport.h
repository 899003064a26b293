#pragma once

// Helpers shared by the window tests: finding the window's children by object
// name and answering the modal dialogs that the slots open.

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QtTest>

#include <functional>

inline QString audioFile(const char *name)
{
    return QStringLiteral(SONAVEL_TEST_AUDIO_DIR "/") + QLatin1String(name);
}

template<typename T>
T *child(QObject *window, const char *name)
{
    T *found = window->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

// Waits, from inside the event loop of a modal dialog, for that dialog to be
// the active modal widget and hands it to `answer`. Polling on a zero timer
// keeps the dialog's own event loop running meanwhile.
template<typename Dialog>
void whenModal(std::function<void(Dialog *)> answer)
{
    auto *poll = new QTimer(qApp);
    poll->setInterval(10);
    auto *clock = new QElapsedTimer;
    clock->start();
    QObject::connect(poll, &QTimer::destroyed, [clock] { delete clock; });
    QObject::connect(poll, &QTimer::timeout, poll, [poll, clock, answer] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        // A dialog that never came is the caller's failure to report; the
        // poll just stops so that it cannot answer a later test's dialog.
        if (dialog || clock->hasExpired(20000)) {
            poll->stop();
            poll->deleteLater();
        }
        if (dialog)
            answer(dialog);
    });
    poll->start();
}

// Chooses `path` in the next open-file dialog, or cancels it when `path` is empty.
inline void answerFileDialog(const QString &path, QString *caption = nullptr, QStringList *filters = nullptr)
{
    whenModal<QFileDialog>([=](QFileDialog *dialog) {
        if (caption)
            *caption = dialog->windowTitle();
        if (filters)
            *filters = dialog->nameFilters();
        if (path.isEmpty()) {
            dialog->reject();
        } else {
            // Typing the absolute path does not depend on the dialog having
            // listed the directory yet, which selectFile() does.
            auto *edit = dialog->template findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(edit);
            edit->setText(path);
            static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides accept()
        }
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
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->buttons = box->standardButtons();
        seen->seen = true;
        if (button == QMessageBox::NoButton)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(button)->click();
    });
}
