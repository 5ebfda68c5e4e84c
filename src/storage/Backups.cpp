// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/Backups.h"

#include "database/CellarFiles.h"
#include "database/CellarSchema.h"
#include "database/DataLink.h"
#include "storage/FileSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace {

const QRegularExpression DailyPattern(QStringLiteral("^Orny02-(\\d{4})-(\\d{2})-(\\d{2})\\.dat$"));

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

Backups::Backups(FileSystem& files, const QString& cheminBase, const QString& fallback)
    : m_files(files), m_cheminBase(cheminBase), m_fallback(fallback) {}

QString Backups::database() const {
    return CellarFiles::databasePath(m_cheminBase);
}

QString Backups::dailyName(const QDate& day) {
    return QStringLiteral("Orny02-%1.dat").arg(day.toString(QStringLiteral("yyyy-MM-dd")));
}

QString Backups::folder() const {
    const QString beside = CellarFiles::folderOf(m_cheminBase) + QLatin1String(FolderName);
    if (QDir().mkpath(beside) && QFileInfo(beside).isWritable())
        return CellarFiles::withSeparator(beside);
    const QString own = CellarFiles::withSeparator(m_fallback) + QLatin1String(FolderName);
    QDir().mkpath(own);
    return CellarFiles::withSeparator(own);
}

Status Backups::copyTo(const QString& path) {
    // Made under a name of its own, checked, and only then given its name: no half copy ever looks whole.
    const QString temporary = path + QStringLiteral(".copie");
    if (FileSystem::present(temporary))
        static_cast<void>(m_files.removeFile(temporary));
    qint64 lots = 0;
    Status status;
    {
        DataLink cellar(database());
        status = cellar.backupTo(temporary, lots);
    }
    if (!status)
        status = DataLink::check(temporary, lots);
    if (!status && FileSystem::present(path))
        status = Failure{QStringLiteral("Le fichier « %1 » existe déjà.").arg(shown(path)), {}};
    if (!status)
        status = m_files.rename(temporary, path);
    if (status && FileSystem::present(temporary))
        static_cast<void>(m_files.removeFile(temporary));
    return status;
}

Status Backups::daily(const QDate& today) {
    if (CellarSchema::detectKind(database()) != CellarSchema::FileKind::SQLite)
        return std::nullopt;
    const QString where = folder();
    const QString path = where + dailyName(today);
    if (FileSystem::present(path))
        return std::nullopt;
    if (Status failure = copyTo(path))
        return failure;
    QList<QDate> days;
    for (const Copy& copy : copies())
        days << copy.date;
    for (const QDate& day : toPrune(days, today))
        static_cast<void>(m_files.removeFile(where + dailyName(day)));
    return std::nullopt;
}

Status Backups::saveTo(const QString& path) {
    if (FileSystem::present(path))
        return Failure{
            QStringLiteral("Le fichier « %1 » existe déjà : choisissez un autre nom.").arg(shown(path)), {}};
    return copyTo(path);
}

QList<Backups::Copy> Backups::copies() const {
    QList<Copy> found;
    const QString where = folder();
    for (const QString& name : QDir(where).entryList({QStringLiteral("Orny02-*.dat")}, QDir::Files)) {
        const QRegularExpressionMatch match = DailyPattern.match(name);
        const QDate date = match.hasMatch() ? QDate(match.captured(1).toInt(), match.captured(2).toInt(),
                                                    match.captured(3).toInt())
                                            : QDate();
        if (!date.isValid())
            continue;
        Copy copy{where + name, date, -1};
        DataLink link(copy.path);
        const DbRows count = link.query(QStringLiteral("SELECT COUNT(*) FROM ORNY"));
        if (count.ok())
            copy.lots = count.rows.front().front().toLongLong();
        found << copy;
    }
    std::sort(found.begin(), found.end(), [](const Copy& a, const Copy& b) { return a.date > b.date; });
    return found;
}

QList<QDate> Backups::toPrune(const QList<QDate>& days, const QDate& today) {
    QList<QDate> newest = days;
    std::sort(newest.begin(), newest.end(), std::greater<>());
    QList<QDate> kept = newest.mid(0, DailyKept);
    // One a month, the month's first, for the twelve months up to this one.
    const QDate oldestMonth = QDate(today.year(), today.month(), 1).addMonths(-(MonthsKept - 1));
    QList<QDate> monthly;
    for (auto day = newest.rbegin(); day != newest.rend(); ++day)
        if (*day >= oldestMonth && std::none_of(monthly.begin(), monthly.end(), [&](const QDate& m) {
                return m.year() == day->year() && m.month() == day->month();
            }))
            monthly << *day;
    kept << monthly;
    QList<QDate> pruned;
    for (const QDate& day : days)
        if (!kept.contains(day))
            pruned << day;
    return pruned;
}

Status Backups::restore(const QString& copy, const QDate& today) {
    // The cellar as it is, first, kept among the copies under the day's name or beside it.
    QString before = folder() + dailyName(today);
    for (int n = 2; FileSystem::present(before); ++n)
        before = folder() + QStringLiteral("Orny02-%1-avant-restauration-%2.dat")
                                .arg(today.toString(QStringLiteral("yyyy-MM-dd")))
                                .arg(n);
    if (CellarSchema::detectKind(database()) == CellarSchema::FileKind::SQLite)
        if (Status failure = copyTo(before))
            return failure;
    qint64 lots = -1;
    {
        DataLink chosen(copy);
        const DbRows count = chosen.query(QStringLiteral("SELECT COUNT(*) FROM ORNY"));
        if (!count.ok())
            return count.error;
        lots = count.rows.front().front().toLongLong();
    }
    // Written beside the cellar, checked, then renamed over it in one step, while nobody else can write it.
    const QString temporary = database() + QStringLiteral(".restauration");
    if (FileSystem::present(temporary))
        static_cast<void>(m_files.removeFile(temporary));
    if (Status failure = m_files.copyFile(copy, temporary))
        return failure;
    if (Status failure = DataLink::check(temporary, lots)) {
        static_cast<void>(m_files.removeFile(temporary));
        return failure;
    }
    DataLink hold(database());
    if (CellarSchema::detectKind(database()) == CellarSchema::FileKind::SQLite)
        if (Status failure = hold.holdForCopy()) {
            static_cast<void>(m_files.removeFile(temporary));
            return failure;
        }
    if (Status failure = m_files.rename(temporary, database())) {
        static_cast<void>(m_files.removeFile(temporary));
        return failure;
    }
    return std::nullopt;
}
