// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(QDir::fromNativeSeparators(path));
}

Failure failed(const QString& what, const QString& path, int systemError) {
    return {QStringLiteral("%1 « %2 » : %3")
                .arg(what, QDir::toNativeSeparators(path), FileSystem::cause(systemError)),
            QString::fromLocal8Bit(std::strerror(systemError))};
}

// A rename or a new file is durable once the folder that holds the name is flushed too.
void syncFolder(const QString& folder) {
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool writeAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

QString FileSystem::cause(int systemError) {
    switch (systemError) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("le disque est plein");
    case EACCES:
    case EPERM:
        return QStringLiteral("l'accès est refusé");
    case EROFS:
        return QStringLiteral("le disque est en lecture seule");
    case ENOENT:
        return QStringLiteral("le dossier ou le fichier n'existe pas");
    case EEXIST:
        return QStringLiteral("un fichier ou un dossier de ce nom existe déjà");
    case ENOTDIR:
        return QStringLiteral("un élément du chemin n'est pas un dossier");
    case EIO:
        return QStringLiteral("le disque a signalé une erreur de lecture ou d'écriture");
    case ELOOP:
        return QStringLiteral("le chemin passe par un lien qui boucle");
    default:
        return QString::fromLocal8Bit(std::strerror(systemError));
    }
}

bool FileSystem::present(const QString& path) {
    struct stat info;
    return ::lstat(native(path).constData(), &info) == 0;
}

bool FileSystem::sameBytes(QFile& open, const QString& path) {
    QFile other(path);
    if (!open.seek(0) || !other.open(QIODevice::ReadOnly) || open.size() != other.size())
        return false;
    while (!open.atEnd())
        if (open.read(1 << 20) != other.read(1 << 20))
            return false;
    return other.atEnd() && open.error() == QFileDevice::NoError && other.error() == QFileDevice::NoError;
}

bool FileSystem::sameBytes(const QString& a, const QString& b) {
    QFile fa(a);
    return fa.open(QIODevice::ReadOnly) && sameBytes(fa, b);
}

Status FileSystem::makeFolder(const QString& path) {
    if (::mkdir(native(path).constData(), 0777) != 0)
        return failed(QStringLiteral("Le dossier n'a pas pu être créé"), path, errno);
    syncFolder(QFileInfo(QDir::fromNativeSeparators(path)).absolutePath());
    return std::nullopt;
}

Status FileSystem::copyFile(const QString& from, const QString& to) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return failed(QStringLiteral("Le fichier n'a pas pu être lu"), from, errno);
    return copyDurably(source, to);
}

Status FileSystem::copyDurably(QFile& source, const QString& to) {
    if (!source.seek(0))
        return failed(QStringLiteral("Le fichier n'a pas pu être lu"), source.fileName(), EIO);
    const int target = ::open(native(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (target < 0)
        return failed(QStringLiteral("La copie n'a pas pu être créée"), to, errno);
    int error = 0;
    while (!source.atEnd()) {
        const QByteArray buffer = source.read(1 << 20);
        if (buffer.isEmpty() && source.error() != QFileDevice::NoError) {
            error = EIO;
            break;
        }
        if (!writeAll(target, buffer.constData(), buffer.size())) {
            error = errno ? errno : EIO;
            break;
        }
    }
    if (!error && ::fsync(target) != 0)
        error = errno;
    if (::close(target) != 0 && !error)
        error = errno;
    if (error)
        return failed(QStringLiteral("La copie n'a pas pu être écrite"), to, error);
    return std::nullopt;
}

Status FileSystem::rename(const QString& from, const QString& to) {
    if (::rename(native(from).constData(), native(to).constData()) != 0)
        return failed(QStringLiteral("Le fichier n'a pas pu être renommé"), from, errno);
    syncFolder(QFileInfo(QDir::fromNativeSeparators(to)).absolutePath());
    return std::nullopt;
}

Status FileSystem::writeAtomically(const QString& path, const QByteArray& bytes) {
    const QString temporary = path + QStringLiteral(".ecriture");
    ::unlink(native(temporary).constData());
    const int fd = ::open(native(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return failed(QStringLiteral("Le fichier n'a pas pu être écrit"), path, errno);
    int error = 0;
    if (!writeAll(fd, bytes.constData(), bytes.size()) || ::fsync(fd) != 0)
        error = errno ? errno : EIO;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (error) {
        ::unlink(native(temporary).constData());
        return failed(QStringLiteral("Le fichier n'a pas pu être écrit"), path, error);
    }
    if (::rename(native(temporary).constData(), native(path).constData()) != 0) {
        error = errno;
        ::unlink(native(temporary).constData());
        return failed(QStringLiteral("Le fichier n'a pas pu être écrit"), path, error);
    }
    syncFolder(QFileInfo(QDir::fromNativeSeparators(path)).absolutePath());
    return std::nullopt;
}

Status FileSystem::removeFile(const QString& path) {
    if (::unlink(native(path).constData()) != 0)
        return failed(QStringLiteral("Le fichier n'a pas pu être effacé"), path, errno);
    return std::nullopt;
}

bool FileSystem::removeFolder(const QString& path) {
    return ::rmdir(native(path).constData()) == 0;
}

QStringList FileSystem::files(const QString& folder, const QString& pattern) {
    QStringList paths;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System))
        paths << dir.filePath(name);
    return paths;
}
