// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globals/Globals.h"
#include "storage/Backups.h"

#include <QDateTime>
#include <QObject>
#include <functional>

class QLabel;
class QMainWindow;
class QThread;
class QTimer;
struct Services;

// The copies the program takes by itself: the day's, on a thread of its own once the window shows, so
// that the user never waits for it and writes while it runs; and the one at the end of a session that
// changed the cellar. A cellar in an earlier shape is brought to the current one once its copy is taken.
class CopyScheduler : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;
    // How long after the window shows the day's copy begins.
    static constexpr int DelayMs = 1500;

    CopyScheduler(Globals& globals, Services& services, QMainWindow* window,
                  Clock clock = &QDateTime::currentDateTime);
    // Waits for the day's copy: it is never cut short by the program itself.
    ~CopyScheduler() override;

    // Shows the day's copy in the status bar and starts it shortly after, on its own thread, until it ends.
    void startDaily();
    bool dailyRunning() const;
    // The copy at the end of the session, after the day's copy has ended; a failure is told.
    void atExit();

signals:
    // The day's copy has ended and what it came to has been told.
    void dailyEnded();

private:
    void runDaily();
    void dailyDone(const Backups::Outcome& outcome);
    void tell(const QString& what, const Backups::Outcome& outcome);

    Globals& m_globals;
    Services& m_services;
    QMainWindow* m_window;
    Clock m_clock;
    QTimer* m_delay = nullptr;
    QThread* m_thread = nullptr;
    QLabel* m_indicator = nullptr;
};
