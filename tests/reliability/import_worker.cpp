// SPDX-License-Identifier: GPL-3.0-or-later
// import_worker CELLAR HELPER JETFILE MEGABYTES: imports under a ceiling on the process's address space,
// MEGABYTES above what it uses before the import, answering No to importing only the valid lots. Prints
// the lots added and refused; a process that needs more memory than the ceiling dies.
#include "legacy/LegacyImport.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <sys/resource.h>

namespace {

long addressSpaceBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmSize:"))
            return line.mid(7).trimmed().split(' ').front().toLong() * 1024;
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 5)
        return 2;
    const long now = addressSpaceBytes();
    if (now < 0)
        return 2;
    const rlimit ceiling{static_cast<rlim_t>(now + std::atol(argv[4]) * 1024L * 1024L),
                         static_cast<rlim_t>(now + std::atol(argv[4]) * 1024L * 1024L)};
    setrlimit(RLIMIT_AS, &ceiling);
    LegacyImport::Questions questions;
    questions.keepValid = [](qint64, const LegacyImport::Refusals&) { return false; };
    const LegacyImport::Result result =
        LegacyImport::run(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                          QString::fromLocal8Bit(argv[1]), questions);
    std::printf("%lld %lld %s\n", result.added, result.refused.total(),
                result.failure ? qPrintable(result.failure->text()) : "");
    return result.failure ? 1 : 0;
}
