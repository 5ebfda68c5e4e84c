// SPDX-License-Identifier: GPL-3.0-or-later
#include "maintenance/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// A rename is durable once the folder that holds the name is flushed too.
void syncFolder(const QString& folder) {
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(folder);
#endif
}

} // namespace

bool FileSystem::makeFolder(const QString& path, QString& error) {
    if (QDir().mkdir(path))
        return true;
    error = QStringLiteral("le dossier n'a pas pu être créé");
    return false;
}

bool FileSystem::copyDurably(const QString& from, const QString& to, QString& error) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        error = source.errorString();
        return false;
    }
    QFile target(to);
    if (!target.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        error = target.errorString();
        return false;
    }
    QByteArray buffer;
    while (!(buffer = source.read(1 << 20)).isEmpty()) {
        if (target.write(buffer) != buffer.size()) {
            error = target.errorString();
            return false;
        }
    }
    if (source.error() != QFileDevice::NoError) {
        error = source.errorString();
        return false;
    }
    if (!target.flush()) {
        error = target.errorString();
        return false;
    }
#ifdef Q_OS_UNIX
    if (::fsync(target.handle()) != 0) {
        error = QStringLiteral("l'écriture sur le disque a échoué");
        return false;
    }
#endif
    return true;
}

bool FileSystem::rename(const QString& from, const QString& to, QString& error) {
    QFile file(from);
    if (!file.rename(to)) {
        error = file.errorString();
        return false;
    }
    syncFolder(QFileInfo(to).absolutePath());
    return true;
}

bool FileSystem::removeFile(const QString& path, QString& error) {
    QFile file(path);
    if (file.remove())
        return true;
    error = file.errorString();
    return false;
}

bool FileSystem::removeFolder(const QString& path) {
    return QDir().rmdir(path);
}

QStringList FileSystem::files(const QString& folder, const QString& pattern) {
    QStringList paths;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System))
        paths << dir.filePath(name);
    return paths;
}
