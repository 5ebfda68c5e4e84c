// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/Backups.h"

#include "database/CellarFiles.h"
#include "database/CellarQueries.h"
#include "database/CellarSchema.h"
#include "database/DataLink.h"
#include "globals/Globals.h"
#include "storage/FileSystem.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <set>
#include <sys/stat.h>

namespace {

// The daily copy runs beside the window: one operation on the copies at a time in the whole program.
QMutex& operations() {
    static QMutex mutex;
    return mutex;
}

// A clock adjusted by a few minutes (a time server, a change of time zone) is not a wrong clock.
constexpr qint64 ClockSlackSeconds = 15 * 60;
constexpr const char* TemporarySuffix = ".copie";
constexpr const char* RestoreSuffix = ".restauration";

using CellarFiles::shown;

void removeIfPresent(FileSystem& files, const QString& path) {
    if (FileSystem::present(path))
        files.removeFile(path).reset();
}

bool isSessionCopy(const BackupCopy& copy) {
    return copy.kind == BackupCopy::Kind::Daily || copy.kind == BackupCopy::Kind::AtExit;
}

constexpr const char* TrialSuffix = ".essai";

// In figures, as the program writes every date: the same whatever the system's language.
QString shownTime(const QDateTime& when) {
    return when.toLocalTime().toString(QStringLiteral("dd/MM/yyyy 'à' HH:mm"));
}

// Whether the file can stand for the cellar: what opening a cellar checks (shape, code it must not hold),
// every page and index sound, the lots counted, and a lot written through the program's own path into a
// scratch copy of it, so that a file Brovane could read but never write is refused.
Status usable(FileSystem& files, const QString& path, qint64 lots) {
    if (Status failure = DataLink::check(path, lots))
        return failure;
    {
        DataLink link(path);
        const DbRows integrity = link.query(QStringLiteral("PRAGMA integrity_check"));
        if (!integrity.ok())
            return integrity.error;
        const QString verdict =
            integrity.rows.empty() ? QString() : integrity.rows.front().front().toString();
        if (integrity.rows.size() != 1 || verdict != QLatin1String("ok"))
            return CellarSchema::notACellar(path, QStringLiteral("integrity_check : %1").arg(verdict));
    }
    const QString scratch = path + QLatin1String(TrialSuffix);
    removeIfPresent(files, scratch);
    Status written = files.copyFile(path, scratch);
    if (!written) {
        DataLink link(scratch);
        written = CellarQueries::addLot(
            link, {QStringLiteral("Essai"), QStringLiteral("Essai"), 2000, QStringLiteral("Rouge"), 1, 1.0});
    }
    removeIfPresent(files, scratch);
    removeIfPresent(files, scratch + QStringLiteral("-journal"));
    return written;
}

} // namespace

Backups::Backups(FileSystem& files, const QString& cheminBase, const QString& fallback)
    : m_files(files), m_cheminBase(cheminBase), m_fallback(fallback) {}

QString Backups::database() const {
    return CellarFiles::databasePath(m_cheminBase);
}

QString Backups::userFolder() {
    return ::userFolder(QStandardPaths::GenericDataLocation);
}

QString Backups::besideFolder(const QString& cheminBase) {
    return CellarFiles::withSeparator(CellarFiles::folderOf(cheminBase) + QLatin1String(FolderName));
}

QString Backups::fallbackFolder(const QString& fallback, const QString& cheminBase) {
    // The cellar's folder, readable, and a digest of it that tells two folders apart whatever the name.
    const QString cellar = QDir::fromNativeSeparators(CellarFiles::folderOf(cheminBase));
    QString readable = cellar;
    readable.replace(QLatin1Char('/'), QLatin1Char('_'));
    while (readable.startsWith(QLatin1Char('_')))
        readable.remove(0, 1);
    while (readable.endsWith(QLatin1Char('_')))
        readable.chop(1);
    const QString digest = QString::fromLatin1(
        QCryptographicHash::hash(cellar.toUtf8(), QCryptographicHash::Sha1).toHex().left(8));
    return CellarFiles::withSeparator(CellarFiles::withSeparator(fallback) + QLatin1String(FolderName) +
                                      QDir::separator() + readable.right(80) + QLatin1Char('-') + digest);
}

QString Backups::folder(QString* problem) const {
    const QString beside = besideFolder(m_cheminBase);
    const QString besideName = beside.chopped(1);
    const QString own = fallbackFolder(m_fallback, m_cheminBase);
    if (FileSystem::present(besideName) && !FileSystem::isFolder(besideName)) {
        if (problem)
            *problem =
                QStringLiteral("« %1 » n'est pas un dossier : les sauvegardes sont faites dans « %2 ».")
                    .arg(shown(besideName), shown(own));
    } else if (QDir().mkpath(besideName) && QFileInfo(besideName).isWritable()) {
        return beside;
    }
    QDir().mkpath(own);
    return own;
}

QString Backups::stampOf(const QString& database) {
    struct stat info {};
    if (::stat(QFile::encodeName(database).constData(), &info) != 0)
        return {};
    // The engine counts its writes in the file's header; the file's identity, size and time catch the
    // writes of any other program.
    QByteArray counter;
    QFile file(database);
    if (file.open(QIODevice::ReadOnly) && file.seek(24))
        counter = file.read(4).toHex();
    return QStringLiteral("%1-%2-%3-%4.%5-%6")
        .arg(info.st_dev)
        .arg(info.st_ino)
        .arg(info.st_size)
        .arg(info.st_mtim.tv_sec)
        .arg(info.st_mtim.tv_nsec)
        .arg(QString::fromLatin1(counter));
}

QString Backups::kindLabel(BackupCopy::Kind kind) {
    switch (kind) {
    case BackupCopy::Kind::Daily:
        return QStringLiteral("quotidienne");
    case BackupCopy::Kind::AtExit:
        return QStringLiteral("à la sortie");
    case BackupCopy::Kind::BeforeRestore:
        return QStringLiteral("avant restauration");
    case BackupCopy::Kind::OnDemand:
        break;
    }
    return QStringLiteral("à la demande");
}

Status Backups::copyTo(BackupCatalogue& catalogue, const QString& path, BackupCopy::Kind kind,
                       const QDateTime& now) {
    // Made under a name of its own, checked, and only then given its name: no half copy ever looks whole.
    const QString temporary = path + QLatin1String(TemporarySuffix);
    removeIfPresent(m_files, temporary);
    // Read before the copy: a write made while it runs makes the cellar look changed since, never the
    // other way round.
    const QString stamp = stampOf(database());
    qint64 lots = 0;
    Status status;
    {
        DataLink cellar(database());
        status = cellar.backupTo(temporary, lots, true);
    }
    if (!status)
        status = DataLink::check(temporary, lots);
    if (!status && FileSystem::present(path))
        status = Failure{QStringLiteral("Le fichier « %1 » existe déjà.").arg(shown(path)), {}};
    if (!status)
        status = m_files.rename(temporary, path);
    if (status) {
        removeIfPresent(m_files, temporary);
        removeIfPresent(m_files, temporary + QStringLiteral("-journal"));
        return copyFailure(catalogue, path, temporary, *status);
    }
    catalogue.copies().prepend({path, kind, now.toUTC(), lots, stamp, stampOf(path)});
    // The copy is whole under its name; were its record lost, its name would still tell what it is.
    catalogue.save(m_files).reset();
    return std::nullopt;
}

Status Backups::cellarUnreadable() const {
    DataLink cellar(database());
    const DbRows checked = cellar.query(QStringLiteral("SELECT quick_check FROM pragma_quick_check"));
    if (!checked.ok())
        return checked.error;
    const QString verdict = checked.rows.empty() ? QString() : checked.rows.front().front().toString();
    if (checked.rows.size() != 1 || verdict != QLatin1String("ok"))
        return CellarSchema::notACellar(database(), QStringLiteral("quick_check : %1").arg(verdict));
    return std::nullopt;
}

QList<BackupCopy> Backups::copiesFound(const QString& cheminBase, const QString& fallback) {
    QList<BackupCopy> found;
    for (const QString& where : {besideFolder(cheminBase), fallbackFolder(fallback, cheminBase)})
        if (FileSystem::isFolder(where.chopped(1))) {
            BackupCatalogue catalogue(where);
            catalogue.load();
            found += catalogue.copies();
        }
    return found;
}

bool Backups::inUse(const Failure& why, const QString& cheminBase) {
    return why.message == CellarSchema::locked(CellarFiles::databasePath(cheminBase), {}).message;
}

QString Backups::restoreAdvice(const QList<BackupCopy>& copies) {
    const auto newest =
        std::max_element(copies.begin(), copies.end(),
                         [](const BackupCopy& a, const BackupCopy& b) { return a.taken < b.taken; });
    if (newest == copies.end())
        return QStringLiteral(
            "Brovane n'en a aucune copie : si vous en avez gardé une, Fichier › Restaurer une "
            "sauvegarde peut la remettre en place.");
    return QStringLiteral(
               "Fichier › Restaurer une sauvegarde peut la remplacer par une de ses copies ; la plus "
               "récente date du %1 (%2).")
        .arg(shownTime(newest->taken), shown(newest->path));
}

Failure Backups::copyFailure(const BackupCatalogue& catalogue, const QString& path, const QString& temporary,
                             const Failure& why) const {
    // The copy names the file the user knows, never its temporary name.
    QString detail = why.text();
    detail.replace(shown(temporary), shown(path));
    // A copy refused because the cellar itself cannot be read is no fault of the copy's disk.
    if (Status unreadable = cellarUnreadable(); unreadable && !inUse(*unreadable, m_cheminBase))
        return {
            QStringLiteral("La cave « %1 » est illisible ou endommagée : aucune copie saine ne peut en être "
                           "faite.\n%2")
                .arg(shown(database()), restoreAdvice(catalogue.copies())),
            unreadable->text()};
    const bool full = why.message == CellarSchema::diskFull(temporary, {}).message ||
                      why.message.contains(FileSystem::cause(ENOSPC));
    return {QStringLiteral("La copie « %1 » n'a pas pu être écrite%2.\nVos saisies sont bien enregistrées "
                           "dans la cave « %3 », qui reste telle qu'elle était.")
                .arg(shown(path), full ? QStringLiteral(" : le disque qui la reçoit est plein") : QString(),
                     shown(database())),
            detail};
}

Backups::Outcome Backups::scheduled(BackupCopy::Kind kind, const QDateTime& now,
                                    const std::function<bool(const BackupCatalogue&, bool)>& due) {
    const QMutexLocker lock(&operations());
    Outcome outcome;
    if (CellarSchema::detectKind(database()) != CellarSchema::FileKind::SQLite)
        return outcome;
    QStringList told;
    QString problem;
    const QString where = folder(&problem);
    if (!problem.isEmpty())
        told << problem;
    BackupCatalogue catalogue(where);
    catalogue.load();
    if (!catalogue.strays().isEmpty()) {
        QStringList names;
        for (const QString& stray : catalogue.strays())
            names << shown(stray);
        told << QStringLiteral(
                    "Ces éléments du dossier des sauvegardes portent le nom d'une sauvegarde mais ne "
                    "sont pas des fichiers (un lien vers rien, par exemple) ; Brovane les laisse de "
                    "côté :\n%1")
                    .arg(names.join(QLatin1Char('\n')));
    }
    const bool clockWrong =
        toPrune(catalogue.copies(), now, catalogue.latestSeen, catalogue.unconfirmed).clockWrong.isValid();
    if (due(catalogue, clockWrong))
        outcome.failure = copyTo(catalogue, where + catalogue.newName(kind, now), kind, now);
    const QString pruning = prune(catalogue, now, kind == BackupCopy::Kind::Daily);
    if (!pruning.isEmpty())
        told << pruning;
    outcome.notice = told.join(QStringLiteral("\n\n"));
    return outcome;
}

Backups::Outcome Backups::daily(const QDateTime& now) {
    const QString stamp = stampOf(database());
    return scheduled(BackupCopy::Kind::Daily, now, [&](const BackupCatalogue& catalogue, bool clockWrong) {
        const auto& copies = catalogue.copies();
        const bool changed =
            std::none_of(copies.begin(), copies.end(), [&](const BackupCopy& c) { return c.stamp == stamp; });
        // A clock set back to a day that has its copy still gets one: the cellar changed since.
        const bool today = std::any_of(copies.begin(), copies.end(), [&](const BackupCopy& c) {
            return isSessionCopy(c) && c.taken.toLocalTime().date() == now.date();
        });
        return changed && (!today || clockWrong);
    });
}

Backups::Outcome Backups::atExit(const QDateTime& now) {
    const QString stamp = stampOf(database());
    return scheduled(BackupCopy::Kind::AtExit, now, [&](const BackupCatalogue& catalogue, bool) {
        const auto& copies = catalogue.copies();
        return std::none_of(copies.begin(), copies.end(),
                            [&](const BackupCopy& c) { return c.stamp == stamp; });
    });
}

Status Backups::saveTo(const QString& path, const QDateTime& now) {
    const QMutexLocker lock(&operations());
    if (FileSystem::present(path))
        return Failure{
            QStringLiteral("Le fichier « %1 » existe déjà : choisissez un autre nom.").arg(shown(path)), {}};
    BackupCatalogue catalogue(folder());
    catalogue.load();
    return copyTo(catalogue, QFileInfo(path).absoluteFilePath(), BackupCopy::Kind::OnDemand, now);
}

QList<BackupCopy> Backups::copies() const {
    const QMutexLocker lock(&operations());
    BackupCatalogue catalogue(folder());
    catalogue.load();
    // The record is only a file another program may have written: a count holds while the copy's file is
    // as it was when counted, and only then, so that a list of large copies opens at once.
    for (BackupCopy& copy : catalogue.copies()) {
        const QString state = stampOf(copy.path);
        if (copy.lots >= 0 && copy.counted == state)
            continue;
        DataLink link(copy.path);
        const DbRows count = link.query(QStringLiteral("SELECT COUNT(*) FROM ORNY"));
        copy.lots = count.ok() ? count.rows.front().front().toLongLong() : -1;
        copy.counted = state;
    }
    if (!catalogue.recordedAsListed())
        catalogue.save(m_files).reset();
    return catalogue.copies();
}

Backups::Pruning Backups::toPrune(const QList<BackupCopy>& copies, const QDateTime& now,
                                  const QDateTime& latestSeen, const QDateTime& unconfirmed, bool start) {
    Pruning pruning;
    const auto atUnconfirmedDate = [&](const QDateTime& when) {
        return unconfirmed.isValid() && when >= unconfirmed.addSecs(-ClockSlackSeconds);
    };
    // The copy this very start or session has just taken tells nothing of the clock.
    QDateTime latest = latestSeen;
    QDateTime known = latestSeen;
    for (const BackupCopy& copy : copies) {
        if (atUnconfirmedDate(copy.taken))
            continue;
        if (!latest.isValid() || copy.taken > latest)
            latest = copy.taken;
        if (copy.taken < now.addSecs(-ClockSlackSeconds) && (!known.isValid() || copy.taken > known))
            known = copy.taken;
    }
    if (latest.isValid() && latest > now.addSecs(ClockSlackSeconds)) {
        pruning.clockWrong = latest;
        return pruning;
    }
    // Only a start on a later day confirms the date: starting again at once on the same wrong clock proves
    // nothing.
    const bool confirmed =
        start && unconfirmed.isValid() && now.toLocalTime().date() > unconfirmed.toLocalTime().date();
    if (known.isValid() && now > known.addDays(FarAheadDays) && !confirmed) {
        pruning.unconfirmed = atUnconfirmedDate(now) ? unconfirmed : now.toUTC();
        pruning.lastKnown = known;
        return pruning;
    }
    QList<BackupCopy> newest = copies;
    std::sort(newest.begin(), newest.end(),
              [](const BackupCopy& a, const BackupCopy& b) { return a.taken > b.taken; });
    // The days that have a copy of a session, newest first: the fourteen newest stay, and the first of each
    // month for the twelve months up to this one, and today whatever happens.
    QList<QDate> days;
    for (const BackupCopy& copy : newest)
        if (isSessionCopy(copy) && !days.contains(copy.taken.toLocalTime().date()))
            days << copy.taken.toLocalTime().date();
    std::set<QDate> kept(days.begin(), days.begin() + std::min<qsizetype>(DaysKept, days.size()));
    const QDate today = now.date();
    kept.insert(today);
    const QDate oldestMonth = QDate(today.year(), today.month(), 1).addMonths(-(MonthsKept - 1));
    QList<std::pair<int, int>> months;
    for (auto day = days.rbegin(); day != days.rend(); ++day)
        if (*day >= oldestMonth && !months.contains(std::pair{day->year(), day->month()})) {
            months << std::pair{day->year(), day->month()};
            kept.insert(*day);
        }
    // Of a day kept, its newest copy of each kind; of the copies before a restore, the ten newest.
    std::set<std::pair<QDate, BackupCopy::Kind>> seen;
    int beforeRestore = 0;
    for (const BackupCopy& copy : newest) {
        if (isSessionCopy(copy)) {
            const QDate day = copy.taken.toLocalTime().date();
            if (!kept.count(day) || !seen.insert({day, copy.kind}).second)
                pruning.pruned << copy;
        } else if (copy.kind == BackupCopy::Kind::BeforeRestore && ++beforeRestore > BeforeRestoreKept) {
            pruning.pruned << copy;
        }
    }
    return pruning;
}

QString Backups::prune(BackupCatalogue& catalogue, const QDateTime& now, bool start) {
    const Pruning pruning =
        toPrune(catalogue.copies(), now, catalogue.latestSeen, catalogue.unconfirmed, start);
    // Each doubt about the clock is told once, when first met.
    const auto tellOnce = [&](QDateTime& told, const QDateTime& doubt, const QString& text) {
        if (told == doubt)
            return QString();
        told = doubt;
        catalogue.save(m_files).reset();
        return text;
    };
    if (pruning.unconfirmed.isValid())
        return tellOnce(
            catalogue.unconfirmed, pruning.unconfirmed,
            QStringLiteral(
                "La date de l'ordinateur (%1) est de loin postérieure au %2, dernière date que "
                "Brovane a vue.\nPar prudence, aucune sauvegarde n'est effacée aujourd'hui. Si "
                "cette date est juste, les sauvegardes qui ne sont plus à garder le seront à un "
                "démarrage d'un autre jour ; sinon, corrigez la date et l'heure de l'ordinateur avant de "
                "relancer Brovane.")
                .arg(shownTime(now), shownTime(pruning.lastKnown)));
    if (pruning.clockWrong.isValid())
        return tellOnce(
            catalogue.warnedFor, pruning.clockWrong,
            QStringLiteral("L'horloge de l'ordinateur semble fausse : la date du jour (%1) est "
                           "antérieure au %2, date que Brovane a déjà vue.\nPar prudence, aucune "
                           "sauvegarde n'est effacée tant que l'horloge n'a pas dépassé cette date. "
                           "Vérifiez la date et l'heure de l'ordinateur.")
                .arg(shownTime(now), shownTime(pruning.clockWrong)));
    for (const BackupCopy& copy : pruning.pruned)
        if (!m_files.removeFile(copy.path))
            catalogue.copies().removeIf([&](const BackupCopy& c) { return c.path == copy.path; });
    if (!catalogue.latestSeen.isValid() || now > catalogue.latestSeen)
        catalogue.latestSeen = now.toUTC();
    if (catalogue.unconfirmed.isValid() && now >= catalogue.unconfirmed.addSecs(-ClockSlackSeconds))
        catalogue.unconfirmed = {};
    catalogue.save(m_files).reset();
    return {};
}

Backups::Outcome Backups::restore(const QString& copy, const QDateTime& now) {
    const QMutexLocker lock(&operations());
    Outcome outcome;
    qint64 lots = -1;
    {
        DataLink chosen(copy);
        const DbRows count = chosen.query(QStringLiteral("SELECT COUNT(*) FROM ORNY"));
        if (!count.ok()) {
            outcome.failure = count.error;
            return outcome;
        }
        lots = count.rows.front().front().toLongLong();
    }
    // Written beside the cellar with its permissions, checked as a cellar is, and only then renamed over
    // it in one step, while nobody else can write it.
    const QString temporary = database() + QLatin1String(RestoreSuffix);
    removeIfPresent(m_files, temporary);
    const auto abandon = [&](const Failure& failure) {
        removeIfPresent(m_files, temporary);
        outcome.failure = failure;
        return outcome;
    };
    if (Status failure = m_files.copyFile(copy, temporary))
        return abandon(*failure);
    const bool cellarThere = CellarSchema::detectKind(database()) == CellarSchema::FileKind::SQLite;
    if (cellarThere)
        if (Status failure = m_files.copyPermissions(database(), temporary))
            return abandon(*failure);
    if (Status failure = usable(m_files, temporary, lots)) {
        QString detail = failure->text();
        detail.replace(shown(temporary), shown(copy));
        return abandon(
            {QStringLiteral("La sauvegarde « %1 » n'est pas utilisable : Brovane ne pourrait pas y "
                            "écrire sans erreur.\nElle n'a pas remplacé la cave, qui reste telle "
                            "qu'elle était.")
                 .arg(shown(copy)),
             detail});
    }
    // The cellar as it is, first, kept among the copies.
    const QString where = folder();
    BackupCatalogue catalogue(where);
    catalogue.load();
    if (cellarThere)
        if (Status failure =
                copyTo(catalogue, where + catalogue.newName(BackupCopy::Kind::BeforeRestore, now),
                       BackupCopy::Kind::BeforeRestore, now))
            return abandon(*failure);
    DataLink hold(database());
    if (cellarThere)
        if (Status failure = hold.holdForCopy())
            return abandon(*failure);
    if (Status failure = m_files.rename(temporary, database()))
        return abandon(*failure);
    hold.close();
    outcome.notice = prune(catalogue, now, false);
    return outcome;
}

void Backups::clearLeftovers() const {
    for (const QString& where : {besideFolder(m_cheminBase), fallbackFolder(m_fallback, m_cheminBase)}) {
        if (!FileSystem::isFolder(where.chopped(1)))
            continue;
        for (const QString& pattern :
             {QStringLiteral("Orny02-*.dat%1").arg(QLatin1String(TemporarySuffix)),
              QStringLiteral("Orny02-*.dat%1-journal").arg(QLatin1String(TemporarySuffix))})
            for (const QString& leftover : m_files.files(where, pattern))
                m_files.removeFile(leftover).reset();
        FileSystem::clearUnfinishedWrite(where + QLatin1String(BackupCatalogue::FileName));
    }
    const QString restoring = database() + QLatin1String(RestoreSuffix);
    for (const QString& leftover :
         {restoring, restoring + QStringLiteral("-journal"), restoring + QLatin1String(TrialSuffix),
          restoring + QLatin1String(TrialSuffix) + QStringLiteral("-journal")})
        removeIfPresent(m_files, leftover);
}
