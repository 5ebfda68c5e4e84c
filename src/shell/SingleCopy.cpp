// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/SingleCopy.h"

#include "database/CellarFiles.h"
#include "storage/FileSystem.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Makes the lock's folder. One that sits in a folder anyone may write (/tmp) must be this account's
// alone, never a link: another account could otherwise hold or replace the lock.
QString prepareFolder(const QString& folder) {
    const QByteArray name = QFile::encodeName(folder);
    struct stat parent {};
    const QByteArray parentName = QFile::encodeName(QFileInfo(folder).path());
    if (::stat(parentName.constData(), &parent) == 0 && (parent.st_mode & S_IWOTH) != 0) {
        if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
            return FileSystem::cause(errno);
        struct stat own {};
        if (::lstat(name.constData(), &own) != 0)
            return FileSystem::cause(errno);
        if (!S_ISDIR(own.st_mode) || own.st_uid != ::geteuid() || (own.st_mode & 077) != 0)
            return QStringLiteral("le dossier appartient à un autre compte ou n'est pas un dossier privé");
        return {};
    }
    if (!QDir().mkpath(folder))
        return QStringLiteral("le dossier ne peut pas être créé");
    return {};
}

} // namespace

QStringList singleCopyLockPlaces(const QString& home, unsigned uid) {
    QStringList places;
    if (!home.isEmpty())
        places << home + QStringLiteral("/.local/state/brovane/brovane.lock");
    // The system's runtime folder of the account, when a session made one, then a private folder of /tmp.
    // The cellar lives in the home: two accounts sharing a user id but not a home share no lock there.
    const QString lock =
        QStringLiteral("brovane-%1.lock")
            .arg(QString::fromLatin1(
                QCryptographicHash::hash(home.toUtf8(), QCryptographicHash::Sha1).toHex().left(8)));
    const QString runtime = QStringLiteral("/run/user/%1").arg(uid);
    if (QFileInfo(runtime).isDir())
        places << runtime + QStringLiteral("/brovane/") + lock;
    places << QStringLiteral("/tmp/brovane-%1/").arg(uid) + lock;
    return places;
}

QStringList singleCopyLockPlaces() {
    const passwd* account = ::getpwuid(::getuid());
    const QString home = account && account->pw_dir ? QFile::decodeName(account->pw_dir) : QString();
    return singleCopyLockPlaces(home, ::getuid());
}

SingleCopyLock::SingleCopyLock(const QStringList& places) : m_places(places) {}

SingleCopyLock::~SingleCopyLock() {
    release();
}

void SingleCopyLock::release() {
    // The files stay: removing one would let a copy starting now lock a new file while another holds the
    // old one.
    for (const int fd : m_fds)
        ::close(fd);
    m_fds.clear();
}

SingleCopyLock::Outcome SingleCopyLock::tryLock() {
    if (isLocked())
        return Outcome::Taken;
    m_problems.clear();
    m_path.clear();
    for (const QString& place : m_places) {
        const auto refused = [&](const QString& why) {
            m_problems << QStringLiteral("« %1 » : %2").arg(CellarFiles::shown(place), why);
        };
        if (const QString why = prepareFolder(QFileInfo(place).path()); !why.isEmpty()) {
            refused(why);
            continue;
        }
        const int fd =
            ::open(QFile::encodeName(place).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            refused(errno == EISDIR ? QStringLiteral("un dossier porte ce nom") : FileSystem::cause(errno));
            continue;
        }
        struct stat file {};
        if (::fstat(fd, &file) != 0 || !S_ISREG(file.st_mode) || file.st_uid != ::geteuid()) {
            ::close(fd);
            refused(
                QStringLiteral("ce fichier appartient à un autre compte ou n'est pas un fichier ordinaire"));
            continue;
        }
        int result = 0;
        do
            result = ::flock(fd, LOCK_EX | LOCK_NB);
        while (result != 0 && errno == EINTR);
        const int error = errno;
        if (result == 0) {
            m_fds.push_back(fd);
            if (m_path.isEmpty())
                m_path = place;
            continue;
        }
        ::close(fd);
        if (error == EWOULDBLOCK) {
            release();
            m_path = place;
            return Outcome::HeldByCopy;
        }
        refused(QStringLiteral("ce disque ne sait pas verrouiller un fichier (%1)")
                    .arg(FileSystem::cause(error)));
    }
    return isLocked() ? Outcome::Taken : Outcome::Impossible;
}
