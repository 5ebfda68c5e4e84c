// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/StartUp.h"

#include "BuildInfo.h"
#include "shell/SettingsFile.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace StartUp {

bool refuseSecondCopy(QLockFile& lock, MessageBox& messages) {
    // A copy that crashed leaves its lock behind; QLockFile sees that its process is gone.
    lock.setStaleLockTime(0);
    if (lock.tryLock(0))
        return true;
    messages.notice(nullptr,
                    QStringLiteral("L'application est déjà en mémoire !!\n\nUtiliser la barre des taches"),
                    MessageBox::Icon::Critical);
    return false;
}

QString withSeparator(const QString& folder) {
    const QString native = QDir::toNativeSeparators(folder);
    return native.endsWith(QDir::separator()) ? native : native + QDir::separator();
}

QString dateCompilation(const QDateTime& modified) {
    return modified.toString(QStringLiteral("dd/MM/yyyy")) + QStringLiteral(" à ") +
           modified.toString(QStringLiteral("HH:mm"));
}

QString versionAppli() {
    return QStringLiteral("%1.%2").arg(BuildInfo::VersionMajor).arg(BuildInfo::VersionMinor);
}

QString statusText(const QString& version) {
    return QString::fromUtf8(BuildInfo::ProductName) + QStringLiteral("  -  Version ") + version;
}

Globals prepare(const QString& executablePath, QString* settingsError) {
    const QFileInfo executable(executablePath);
    Globals g;
    g.CheminAppli = withSeparator(executable.absolutePath());
    g.helpFile = g.CheminAppli + QStringLiteral("Orny.hlp");
    g.settingsFolder = g.CheminAppli;
    const SettingsFile::ReadResult settings = SettingsFile::read(g.settingsFolder, g.CheminAppli);
    g.CheminBase = settings.cheminBase;
    if (settingsError)
        *settingsError = settings.writeError;
    g.DateCompilation = dateCompilation(executable.lastModified());
    g.VersionAppli = versionAppli();
    return g;
}

} // namespace StartUp
