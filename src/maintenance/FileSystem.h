// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The file operations the database move is made of, behind an interface so that tests can make any one
// of them fail. Each returns false on failure, with the reason in `error`.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool makeFolder(const QString& path, QString& error);
    // Copies and flushes the copy to the disk before returning.
    virtual bool copyDurably(const QString& from, const QString& to, QString& error);
    virtual bool rename(const QString& from, const QString& to, QString& error);
    virtual bool removeFile(const QString& path, QString& error);
    virtual bool removeFolder(const QString& path);
    // The plain files of a folder whose names match the pattern ("Orny02.*", "*").
    virtual QStringList files(const QString& folder, const QString& pattern);
};
