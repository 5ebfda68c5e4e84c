// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Where the lock that keeps a second copy out lives: one place per user account.
QString singleCopyLockPath();

// The lock itself: held by the system for this process and dropped when it ends, however it ends, so
// that a copy that was killed leaves nothing behind to clear.
class SingleCopyLock {
public:
    explicit SingleCopyLock(const QString& path);
    ~SingleCopyLock();
    SingleCopyLock(const SingleCopyLock&) = delete;
    SingleCopyLock& operator=(const SingleCopyLock&) = delete;

    // False only when another process holds the lock. A lock that cannot be taken at all (a folder
    // without rights, a disk without locks) lets the program run: no copy could be told apart then.
    bool tryLock();
    bool isLocked() const { return m_locked; }

private:
    QString m_path;
    int m_fd = -1;
    bool m_locked = false;
};
