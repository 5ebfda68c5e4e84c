// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/SettingsFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace SettingsFile {

namespace {

// Longer than any real path; a bigger first line is not a settings file of ours.
constexpr qint64 MaxLineBytes = 32 * 1024;

QString firstLine(const QString& path, bool& readable) {
    readable = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(MaxLineBytes + 1);
    qsizetype end = 0;
    while (end < head.size() && head.at(end) != '\r' && head.at(end) != '\n')
        ++end;
    if (end > MaxLineBytes)
        return {};
    const QByteArray line = head.left(end);
    for (const char c : line)
        if (static_cast<unsigned char>(c) < 0x20)
            return {};
    readable = true;
    return QString::fromLocal8Bit(line);
}

} // namespace

ReadResult read(const QString& folder, const QString& firstStart) {
    const QString path = folder + QLatin1String(FileName);
    ReadResult result;
    const QFileInfo info(path);
    if (info.exists() && info.isFile()) {
        bool readable = false;
        result.cheminBase = firstLine(path, readable);
        if (readable && !result.cheminBase.isEmpty())
            return result;
    }
    result.cheminBase = firstStart;
    result.created = true;
    result.writeError = write(folder, firstStart);
    return result;
}

QString write(const QString& folder, const QString& cheminBase) {
    QSaveFile file(folder + QLatin1String(FileName));
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
#ifdef Q_OS_WIN
    const QByteArray end = "\r\n";
#else
    const QByteArray end = "\n";
#endif
    if (file.write(cheminBase.toLocal8Bit() + end) < 0 || !file.commit())
        return file.errorString();
    return {};
}

} // namespace SettingsFile
