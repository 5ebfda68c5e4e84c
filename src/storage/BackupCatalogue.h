// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Status.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class FileSystem;

// One copy of the cellar, as the program recorded it when it made it.
struct BackupCopy {
    enum class Kind { Daily, AtExit, BeforeRestore, OnDemand };
    QString path;
    Kind kind = Kind::Daily;
    QDateTime taken;  // in UTC
    qint64 lots = -1; // -1: not known yet, or not readable as a cellar
    QString stamp;    // the state of the cellar it holds (Backups::stampOf), when known
    QString counted;  // the state of the copy's own file when its lots were counted
};

// The record of the copies kept in one folder: what each is and when it was taken, written by the program
// beside them, so that neither a file's name nor a clock set wrong decides what a copy is. A copy whose
// record a kill lost is still found by its name; a record whose file is gone is forgotten.
class BackupCatalogue {
public:
    static constexpr const char* FileName = "Orny02-sauvegardes.txt";

    explicit BackupCatalogue(const QString& folder);

    // The record and the folder: every copy there, and every copy made elsewhere on demand that is still
    // there. Names that look like a copy but are not plain files are in strays().
    void load();
    Status save(FileSystem& files);
    // Whether the record holds exactly what is listed: no line for a copy that is gone or not one, no
    // line twice, every count as found.
    bool recordedAsListed() const;

    QList<BackupCopy>& copies() { return m_copies; }
    const QList<BackupCopy>& copies() const { return m_copies; }
    const QStringList& strays() const { return m_strays; }
    // The latest time the program has seen, on its clock, while keeping this folder.
    QDateTime latestSeen;
    // The latest time of a clock that looked wrong that the user has been told of.
    QDateTime warnedFor;
    // The first time of a date far ahead of every time seen, until a later start confirms it.
    QDateTime unconfirmed;

    // "Orny02-2026-12-07-184012-sortie.dat", or "-2" before ".dat" when that is taken.
    QString newName(BackupCopy::Kind kind, const QDateTime& local) const;
    // What a file's name says about it (the earlier names included): false when it names no copy.
    static bool fromName(const QString& name, BackupCopy& copy);

private:
    QByteArray text() const;

    QString m_folder;
    QByteArray m_read;
    QList<BackupCopy> m_copies;
    QStringList m_strays;
};
