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
#include <vector>

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

// Up to `size` bytes at `offset`, fewer only at the end of the file; -1 on a read error.
qint64 readAt(int fd, char* data, size_t size, off_t offset) {
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, data + got, size - got, offset + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    return static_cast<qint64>(got);
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
    case ECANCELED:
        return QStringLiteral("l'opération a été annulée");
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
    if (!other.open(QIODevice::ReadOnly) || open.size() != other.size())
        return false;
    // Read by offset through the handles, two fixed buffers for the whole file.
    constexpr size_t Chunk = 256 * 1024;
    std::vector<char> mine(Chunk);
    std::vector<char> theirs(Chunk);
    off_t offset = 0;
    for (;;) {
        const qint64 a = readAt(open.handle(), mine.data(), Chunk, offset);
        const qint64 b = readAt(other.handle(), theirs.data(), Chunk, offset);
        if (a < 0 || a != b || std::memcmp(mine.data(), theirs.data(), static_cast<size_t>(a)) != 0)
            return false;
        if (a == 0)
            return true;
        offset += a;
    }
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

namespace {

// How much is copied between two looks at whether the copy must stop.
constexpr size_t StopChunk = 4 << 20;

bool stopped(const std::atomic<bool>* stop) {
    return stop && stop->load();
}

// Lets the kernel copy from `done` on without passing the bytes through the program; stops where it cannot
// (another kind of disk, an old system) or stops short. Returns the error that must end the copy, or 0.
int copyInKernel(int from, int target, off_t& done, const std::atomic<bool>* stop) {
    for (;;) {
        if (stopped(stop))
            return ECANCELED;
        loff_t in = done;
        const ssize_t n = ::copy_file_range(from, &in, target, nullptr, stop ? StopChunk : 1 << 30, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == ENOSPC || errno == EDQUOT || errno == EIO))
            return errno;
        if (n <= 0)
            return 0;
        done += n;
    }
}

// The rest of the file from `done` on, through one buffer.
int copyThroughBuffer(int from, int target, off_t& done, const std::atomic<bool>* stop) {
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        if (stopped(stop))
            return ECANCELED;
        const qint64 n = readAt(from, buffer.data(), buffer.size(), done);
        if (n < 0)
            return EIO;
        if (n == 0)
            return 0;
        if (::lseek(target, done, SEEK_SET) < 0 || !writeAll(target, buffer.data(), n))
            return errno ? errno : EIO;
        done += n;
    }
}

} // namespace

Status FileSystem::copyDurably(QFile& source, const QString& to) {
    const int from = source.handle();
    // Made readable by its owner only until it holds the source's permissions: a copy of a private cellar
    // is never readable by others, not even while it is written.
    const int target = ::open(native(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (target < 0)
        return failed(QStringLiteral("La copie n'a pas pu être créée"), to, errno);
    int error = 0;
    struct stat info {};
    if (::fstat(from, &info) != 0 || ::fchmod(target, info.st_mode & 07777) != 0)
        error = errno;
    off_t done = 0;
    if (!error)
        error = copyInKernel(from, target, done, m_stop);
    if (!error)
        error = copyThroughBuffer(from, target, done, m_stop);
    if (!error && ::fsync(target) != 0)
        error = errno;
    if (::close(target) != 0 && !error)
        error = errno;
    if (error)
        return failed(QStringLiteral("La copie n'a pas pu être écrite"), to, error);
    return std::nullopt;
}

Status FileSystem::copyPermissions(const QString& from, const QString& to) {
    struct stat info {};
    if (::stat(native(from).constData(), &info) != 0)
        return failed(QStringLiteral("Le fichier n'a pas pu être lu"), from, errno);
    if (::chmod(native(to).constData(), info.st_mode & 07777) != 0)
        return failed(QStringLiteral("Les droits du fichier n'ont pas pu être fixés"), to, errno);
    return std::nullopt;
}

bool FileSystem::isPlainFile(const QString& path) {
    struct stat info {};
    return ::lstat(native(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

bool FileSystem::isFolder(const QString& path) {
    struct stat info {};
    return ::lstat(native(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

void FileSystem::clearUnfinishedWrite(const QString& path) {
    ::unlink(native(path + QLatin1String(UnfinishedSuffix)).constData());
}

Status FileSystem::rename(const QString& from, const QString& to) {
    if (::rename(native(from).constData(), native(to).constData()) != 0)
        return failed(QStringLiteral("Le fichier n'a pas pu être renommé"), from, errno);
    syncFolder(QFileInfo(QDir::fromNativeSeparators(to)).absolutePath());
    return std::nullopt;
}

Status FileSystem::writeAtomically(const QString& path, const QByteArray& bytes) {
    const QString temporary = path + QLatin1String(UnfinishedSuffix);
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
