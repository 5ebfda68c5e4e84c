// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <sys/resource.h>

// Caps the process's address space `megabytes` above what it uses now, so that a worker needing more
// memory than that dies; false when the present use cannot be read.
inline bool limitAddressSpace(long megabytes) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmSize:")) {
            const long now = line.mid(7).trimmed().split(' ').front().toLong() * 1024;
            const rlim_t most = static_cast<rlim_t>(now + megabytes * 1024L * 1024L);
            const rlimit ceiling{most, most};
            return setrlimit(RLIMIT_AS, &ceiling) == 0;
        }
    return false;
}
