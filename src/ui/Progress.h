// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QProgressDialog;
class QWidget;

// Progress of work that may take more than a moment: a dialog shown after a short while, which keeps the
// window painting and offers a button that cancels. In scripted mode (tests) nothing is shown: the label
// is recorded, and the work can be cancelled after a given number of steps.
class ProgressService {
public:
    class Task {
    public:
        Task(ProgressService& service, QWidget* parent, const QString& title, const QString& label);
        ~Task();
        Task(const Task&) = delete;
        Task& operator=(const Task&) = delete;
        // Where the work stands; false once the user has cancelled it. A total of 0 means unknown.
        bool step(qint64 done, qint64 total);
        // The same for work running on another thread, called while waiting for it: the window paints and
        // the button answers however long the work stays at one step.
        bool waiting(qint64 done, qint64 total);

    private:
        ProgressService& m_service;
        std::unique_ptr<QProgressDialog> m_dialog;
        int m_steps = 0;
    };

    void setScripted(bool scripted) { m_scripted = scripted; }
    // Scripted: the step after `steps` steps answers that the user cancelled.
    void cancelAfter(int steps) { m_cancelAfter = steps; }
    // How long work runs before its dialog shows (a test shows it at once, to press its keys).
    void showAfter(int ms) { m_showAfterMs = ms; }
    const QStringList& shown() const { return m_shown; }

private:
    bool m_scripted = false;
    int m_cancelAfter = -1;
    // Work that ends sooner shows no dialog; the hourglass says enough.
    int m_showAfterMs = 700;
    QStringList m_shown;
};
