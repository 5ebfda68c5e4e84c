// SPDX-License-Identifier: GPL-3.0-or-later
// import_worker CELLAR HELPER JETFILE MEGABYTES: imports under a ceiling on the process's address space,
// MEGABYTES above what it uses before the import, answering No to importing only the valid lots. Prints
// the lots added and refused; a process that needs more memory than the ceiling dies.
#include "AddressCeiling.h"
#include "legacy/LegacyImport.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 5)
        return 2;
    if (!limitAddressSpace(std::atol(argv[4])))
        return 2;
    LegacyImport::Questions questions;
    questions.keepValid = [](qint64, const LegacyImport::Refusals&) { return false; };
    const LegacyImport::Result result =
        LegacyImport::run(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                          QString::fromLocal8Bit(argv[1]), questions);
    std::printf("%lld %lld %s\n", result.added, result.refused.total(),
                result.failure ? qPrintable(result.failure->text()) : "");
    return result.failure ? 1 : 0;
}
