// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Status.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <atomic>

// The file operations the cellar's files are handled with, behind an interface so that tests can make
// any one of them fail or end the process. A failure names its cause in French (disk full, access refused).
class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual Status makeFolder(const QString& path);
    // Copies an open file from its start, with its permissions, and flushes the copy to the disk before
    // returning; never replaces an existing file. The source stays open: closing any handle on a file drops
    // every lock the process holds on it, the engine's included.
    virtual Status copyDurably(QFile& source, const QString& to);
    Status copyFile(const QString& from, const QString& to);
    // Gives `to` the permissions of `from`.
    Status copyPermissions(const QString& from, const QString& to);
    // Renames, then flushes the folder so that the new name survives a power cut.
    virtual Status rename(const QString& from, const QString& to);
    // Replaces the file with these bytes in one step: a reader sees the old content or the new, whole.
    // The bytes go first to the path followed by UnfinishedSuffix.
    virtual Status writeAtomically(const QString& path, const QByteArray& bytes);
    static constexpr const char* UnfinishedSuffix = ".ecriture";
    // Removes what a write of `path` killed before its end left behind; the file itself is whole.
    static void clearUnfinishedWrite(const QString& path);
    virtual Status removeFile(const QString& path);
    virtual bool removeFolder(const QString& path);
    // The plain files of a folder whose names match the pattern ("*").
    virtual QStringList files(const QString& folder, const QString& pattern);

    // The cause of a failed system call, in French, from its errno.
    static QString cause(int systemError);
    // Whether a name exists in any form, a dangling or looping link included.
    static bool present(const QString& path);
    // Whether the name is a plain file, or a folder, itself rather than a link to one.
    static bool isPlainFile(const QString& path);
    static bool isFolder(const QString& path);
    // Whether the open file, from its start, holds the same bytes as the file at `path`.
    static bool sameBytes(QFile& open, const QString& path);
    static bool sameBytes(const QString& a, const QString& b);

    // A copy under way stops within a few megabytes once `flag` is set (the user cancelled), failing
    // with the cause ECANCELED; nothing stops it while no flag is given.
    void stopWhen(const std::atomic<bool>* flag) { m_stop = flag; }

protected:
    bool stopping() const { return m_stop && m_stop->load(); }

private:
    const std::atomic<bool>* m_stop = nullptr;
};
