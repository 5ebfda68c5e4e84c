// SPDX-License-Identifier: GPL-3.0-or-later
// crash_worker CELLAR JOURNAL RUN JETFILE: records purchases, consumptions and imports in turn, for
// ever, through the program's own database code, and appends to JOURNAL, flushed to disk, each write
// once it has been acknowledged. The crash test kills it at random moments.
#include "database/CellarQueries.h"
#include "legacy/LegacyImport.h"

#include <QCoreApplication>
#include <fcntl.h>
#include <unistd.h>

namespace {

void acknowledge(int journal, const QByteArray& line) {
    const QByteArray text = line + '\n';
    if (::write(journal, text.constData(), static_cast<size_t>(text.size())) != text.size() ||
        ::fsync(journal) != 0)
        ::_exit(3);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 5)
        return 2;
    const QString cellar = QString::fromLocal8Bit(argv[1]);
    const int journal = ::open(argv[2], O_WRONLY | O_APPEND | O_CREAT, 0644);
    const QByteArray run = argv[3];
    const QString jet = QString::fromLocal8Bit(argv[4]);
    std::vector<DbRow> lots;
    static_cast<void>(LegacyImport::readLots(QCoreApplication::applicationDirPath() + "/brovane-lecteur-jet",
                                             jet, [&lots](const DbRow& lot) -> Status {
                                                 lots.push_back(lot);
                                                 return std::nullopt;
                                             }));
    DataLink link(cellar);
    const CellarQueries::LotKey reserve{QStringLiteral("Réserve"), QStringLiteral("Cave"), 2000,
                                        QStringLiteral("Rouge")};
    for (int i = 0;; ++i) {
        const QByteArray id = run + '-' + QByteArray::number(i);
        switch (i % 3) {
        case 0:
            if (!CellarQueries::addLot(link,
                                       {QStringLiteral("Achat-") + QString::fromLatin1(id),
                                        QStringLiteral("Loire"), 1999, QStringLiteral("Blanc"), 6, 12.5}))
                acknowledge(journal, "achat " + id);
            break;
        case 1: {
            const auto stock = CellarQueries::firstStock(link, reserve);
            if (stock.found && CellarQueries::consume(link, reserve, stock.quantite, 1).outcome ==
                                   CellarQueries::Consumed::Lowered)
                acknowledge(journal, "consommation " + id);
            break;
        }
        default:
            if (!LegacyImport::appendLots(link, lots))
                acknowledge(journal, "import " + id);
            break;
        }
        link.close();
    }
}
