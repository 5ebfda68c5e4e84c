// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/SingleCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

QString singleCopyLockPath() {
    // The same place for every session of the user, whatever its environment holds (su, cron and some
    // remote sessions have no runtime folder): the account's own home folder, from the system.
    const passwd* account = ::getpwuid(::getuid());
    const QString home = account && account->pw_dir ? QFile::decodeName(account->pw_dir) : QString();
    const QString folder = home + QStringLiteral("/.local/state/brovane");
    if (!home.isEmpty() && QDir().mkpath(folder) && QFileInfo(folder).isWritable())
        return folder + QStringLiteral("/brovane.lock");
    return QStringLiteral("/tmp/brovane-%1.lock").arg(::getuid());
}

SingleCopyLock::SingleCopyLock(const QString& path) : m_path(path) {}

SingleCopyLock::~SingleCopyLock() {
    // The file stays: removing it would let a copy starting now lock a new file while another holds the
    // old one.
    if (m_fd >= 0)
        ::close(m_fd);
}

bool SingleCopyLock::tryLock() {
    if (m_fd < 0)
        m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return true;
    int result = 0;
    do
        result = ::flock(m_fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    m_locked = result == 0;
    return m_locked || errno != EWOULDBLOCK;
}
