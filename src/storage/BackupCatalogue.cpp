// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/BackupCatalogue.h"

#include "database/CellarSchema.h"
#include "storage/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <map>
#include <set>

namespace {

constexpr const char* Header = "brovane-sauvegardes 1";
// A record holds a few hundred lines; anything beyond this is not one the program wrote.
constexpr qint64 MaxRecordBytes = 1024 * 1024;

struct KindName {
    BackupCopy::Kind kind;
    const char* token;
};
constexpr KindName KindNames[] = {{BackupCopy::Kind::Daily, "jour"},
                                  {BackupCopy::Kind::AtExit, "sortie"},
                                  {BackupCopy::Kind::BeforeRestore, "avant-restauration"},
                                  {BackupCopy::Kind::OnDemand, "demande"}};

QString tokenOf(BackupCopy::Kind kind) {
    for (const KindName& k : KindNames)
        if (k.kind == kind)
            return QLatin1String(k.token);
    return {};
}

bool kindOf(const QString& token, BackupCopy::Kind& kind) {
    for (const KindName& k : KindNames)
        if (token == QLatin1String(k.token)) {
            kind = k.kind;
            return true;
        }
    return false;
}

const QRegularExpression NamePattern(QStringLiteral(
    "^Orny02-(\\d{4}-\\d{2}-\\d{2})-(\\d{6})-(jour|sortie|avant-restauration)(?:-\\d+)?\\.dat$"));
// The names the program gave before it kept a record.
const QRegularExpression EarlierDaily(QStringLiteral("^Orny02-(\\d{4}-\\d{2}-\\d{2})\\.dat$"));
const QRegularExpression
    EarlierBeforeRestore(QStringLiteral("^Orny02-(\\d{4}-\\d{2}-\\d{2})-avant-restauration-\\d+\\.dat$"));

QString utc(const QDateTime& when) {
    return when.toUTC().toString(Qt::ISODate);
}

QDateTime fromUtc(const QString& text) {
    QDateTime when = QDateTime::fromString(text, Qt::ISODate);
    return when.isValid() ? when.toUTC() : QDateTime();
}

} // namespace

BackupCatalogue::BackupCatalogue(const QString& folder) : m_folder(folder) {}

bool BackupCatalogue::fromName(const QString& name, BackupCopy& copy) {
    if (const QRegularExpressionMatch m = NamePattern.match(name); m.hasMatch()) {
        const QDateTime local(QDate::fromString(m.captured(1), Qt::ISODate),
                              QTime::fromString(m.captured(2), QStringLiteral("HHmmss")));
        if (!local.isValid() || !kindOf(m.captured(3), copy.kind))
            return false;
        copy.taken = local.toUTC();
        return true;
    }
    for (const auto& [pattern, kind] : {std::pair{&EarlierDaily, BackupCopy::Kind::Daily},
                                        std::pair{&EarlierBeforeRestore, BackupCopy::Kind::BeforeRestore}})
        if (const QRegularExpressionMatch m = pattern->match(name); m.hasMatch()) {
            const QDate day = QDate::fromString(m.captured(1), Qt::ISODate);
            if (!day.isValid())
                return false;
            copy.kind = kind;
            copy.taken = QDateTime(day, QTime(0, 0)).toUTC();
            return true;
        }
    return false;
}

void BackupCatalogue::load() {
    m_copies.clear();
    m_strays.clear();
    m_read.clear();
    std::map<QString, BackupCopy> recorded;
    QFile file(m_folder + QLatin1String(FileName));
    if (file.open(QIODevice::ReadOnly)) {
        m_read = file.read(MaxRecordBytes);
        const QList<QByteArray> lines = m_read.split('\n');
        if (!lines.isEmpty() && lines.front() == Header)
            for (const QByteArray& line : lines) {
                const QStringList f = QString::fromUtf8(line).split(QLatin1Char('\t'));
                if (f.size() == 2 && f.at(0) == QLatin1String("vu"))
                    latestSeen = fromUtc(f.at(1));
                else if (f.size() == 2 && f.at(0) == QLatin1String("averti"))
                    warnedFor = fromUtc(f.at(1));
                else if (f.size() == 2 && f.at(0) == QLatin1String("avance"))
                    unconfirmed = fromUtc(f.at(1));
                else if ((f.size() == 6 || f.size() == 7) && f.at(0) == QLatin1String("copie")) {
                    BackupCopy copy;
                    bool lotsRead = false;
                    copy.taken = fromUtc(f.at(3));
                    copy.lots = f.at(4).toLongLong(&lotsRead);
                    copy.stamp = f.at(5);
                    copy.counted = f.value(6);
                    if (!f.at(1).isEmpty() && kindOf(f.at(2), copy.kind) && copy.taken.isValid() && lotsRead)
                        recorded[f.at(1)] = copy;
                }
            }
    }
    const QDir dir(m_folder);
    std::set<QString> listed;
    for (const QString& name :
         dir.entryList({QStringLiteral("Orny02-*.dat")},
                       QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QString path = m_folder + name;
        BackupCopy copy;
        if (const auto found = recorded.find(name); found != recorded.end())
            copy = found->second;
        else if (!fromName(name, copy))
            continue;
        if (!FileSystem::isPlainFile(path)) {
            m_strays << path;
            continue;
        }
        // A copy of the earlier names has only its day in its name; the file's date gives its time.
        const QDateTime modified = QFileInfo(path).lastModified();
        if (!recorded.count(name) && copy.taken.toLocalTime().time() == QTime(0, 0) &&
            modified.date() == copy.taken.toLocalTime().date())
            copy.taken = modified.toUTC();
        copy.path = path;
        m_copies << copy;
        listed.insert(QFileInfo(path).canonicalFilePath());
    }
    // Copies made on demand stay where the user put them, and are listed while they are there. The record
    // is only a file: a line naming anything but a cellar, or a copy listed already, is not one of them.
    for (const auto& [path, copy] : recorded)
        if (copy.kind == BackupCopy::Kind::OnDemand && QDir::isAbsolutePath(path) &&
            FileSystem::isPlainFile(path) &&
            CellarSchema::detectKind(path) == CellarSchema::FileKind::SQLite &&
            listed.insert(QFileInfo(path).canonicalFilePath()).second) {
            m_copies << copy;
            m_copies.back().path = path;
        }
    std::sort(m_copies.begin(), m_copies.end(),
              [](const BackupCopy& a, const BackupCopy& b) { return a.taken > b.taken; });
}

Status BackupCatalogue::save(FileSystem& files) {
    return files.writeAtomically(m_folder + QLatin1String(FileName), text());
}

bool BackupCatalogue::recordedAsListed() const {
    return m_read == text();
}

QByteArray BackupCatalogue::text() const {
    QByteArray text = QByteArray(Header) + '\n';
    if (latestSeen.isValid())
        text += "vu\t" + utc(latestSeen).toUtf8() + '\n';
    if (warnedFor.isValid())
        text += "averti\t" + utc(warnedFor).toUtf8() + '\n';
    if (unconfirmed.isValid())
        text += "avance\t" + utc(unconfirmed).toUtf8() + '\n';
    for (const BackupCopy& copy : m_copies) {
        const QString name =
            copy.kind == BackupCopy::Kind::OnDemand ? copy.path : QFileInfo(copy.path).fileName();
        // A name holding a tab or a line end would break its line: such a copy is found again by its name.
        if (name.contains(QLatin1Char('\t')) || name.contains(QLatin1Char('\n')))
            continue;
        text += QStringLiteral("copie\t%1\t%2\t%3\t%4\t%5%6\n")
                    .arg(name, tokenOf(copy.kind), utc(copy.taken), QString::number(copy.lots), copy.stamp,
                         copy.counted.isEmpty() ? QString() : QLatin1Char('\t') + copy.counted)
                    .toUtf8();
    }
    return text;
}

QString BackupCatalogue::newName(BackupCopy::Kind kind, const QDateTime& local) const {
    const QString base = QStringLiteral("Orny02-%1-%2")
                             .arg(local.toString(QStringLiteral("yyyy-MM-dd-HHmmss")), tokenOf(kind));
    QString name = base + QStringLiteral(".dat");
    for (int n = 2; FileSystem::present(m_folder + name); ++n)
        name = QStringLiteral("%1-%2.dat").arg(base).arg(n);
    return name;
}
