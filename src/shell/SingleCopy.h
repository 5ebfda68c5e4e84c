// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// Where the lock that keeps a second copy out may live, best first: one set of places per user account,
// the same in every session of that account whatever its environment says (su, cron and remote sessions
// differ in HOME and XDG_RUNTIME_DIR), because the cellar is the account's.
QStringList singleCopyLockPlaces();
// The same, for an account's home folder and user id as the system gives them.
QStringList singleCopyLockPlaces(const QString& home, unsigned uid);

// The lock itself: held by the system for this process and dropped when it ends, however it ends, so
// that a copy that was killed leaves nothing behind to clear.
class SingleCopyLock {
public:
    explicit SingleCopyLock(const QStringList& places);
    explicit SingleCopyLock(const QString& path) : SingleCopyLock(QStringList{path}) {}
    ~SingleCopyLock();
    SingleCopyLock(const SingleCopyLock&) = delete;
    SingleCopyLock& operator=(const SingleCopyLock&) = delete;

    enum class Outcome {
        Taken,      // this copy is the only one
        HeldByCopy, // another copy holds it
        Impossible, // no place could hold a lock: running would risk two copies on one cellar
    };
    // Takes the lock at every place where one can be opened and locked: a copy that started when some
    // place could not hold it (a folder or another account's file at its path, no rights, a disk without
    // locks) still meets a copy that can. A lock held by another copy at any place refuses the start.
    Outcome tryLock();
    bool isLocked() const { return !m_fds.empty(); }
    // The first place whose lock is held, or where another copy holds it.
    QString path() const { return m_path; }
    // Why no place could hold the lock, in French, one line per place.
    QString problem() const { return m_problems.join(QLatin1Char('\n')); }

private:
    void release();

    QStringList m_places;
    QString m_path;
    QStringList m_problems;
    std::vector<int> m_fds;
};
