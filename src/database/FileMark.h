// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>
#include <sys/types.h>

// What tells, cheaply, that no other program wrote the cellar since the program last looked at it: the
// file's identity, its modification time and size, and the change counter the engine raises in the file's
// header at every committed write. Read only while the engine holds a lock on the file, so that no writer
// is halfway through.
struct FileMark {
    dev_t device = 0;
    ino_t inode = 0;
    quint32 changes = 0;
    qint64 modified = 0; // nanoseconds
    qint64 size = 0;

    bool operator==(const FileMark& other) const;

    // The file as it stands; nothing when that cannot be told: an unreadable header, or a file in
    // write-ahead mode, whose header does not count its writes.
    static std::optional<FileMark> of(const QString& path);

    // The marks of the files whose details the program last saw whole (see LotIdentity), one a file, for
    // every connection of the process.
    static void rememberWhole(const FileMark& mark);
    static bool seenWhole(const FileMark& mark);
};
