#ifndef QTAUTOUPDATER_UPDATEWINDOWS_H
#define QTAUTOUPDATER_UPDATEWINDOWS_H

#include "updatecheck.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace QtAutoUpdater {

// The windows of an update check; they know nothing of the tool. Each is
// top-level, non-modal and deletes itself on close; none keeps the application
// running. Their object names let callers (and tests) find them:
//   "qtautoupdater_ask"        question asked before checking
//   "qtautoupdater_progress"   busy window while the tool runs
//   "qtautoupdater_updates"    the list of available updates
//   "qtautoupdater_noUpdates"  "no updates" message
//   "qtautoupdater_failure"    why the check, or starting the updater, failed
class UpdateWindows : public QObject
{
    Q_OBJECT

public:
    explicit UpdateWindows(QObject *parent = nullptr);
    ~UpdateWindows() override;

    bool isAsking() const;
    void ask();
    void closeQuestion();
    void showProgress();
    void closeProgress();
    void showUpdates(const QList<UpdateInfo> &updates, bool detailed);
    void showNoUpdates();
    void showCheckFailure(const QString &reason);
    void showUpdaterFailure(const QString &toolPath);
    void deleteAll();

Q_SIGNALS:
    void answered(bool yes);
    void canceled();
    void updateNowClicked();
    void updateOnExitClicked();

private:
    void showResult(QWidget *window);

    QPointer<QWidget> m_question;
    QPointer<QWidget> m_progress;
    QPointer<QWidget> m_result;
};

} // namespace QtAutoUpdater

#endif // QTAUTOUPDATER_UPDATEWINDOWS_H
