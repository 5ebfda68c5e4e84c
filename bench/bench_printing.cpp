// SPDX-License-Identifier: GPL-3.0-or-later
// Building the inventory (document and text export) of cellars of 1,000 and 10,000 lots: the time
// should grow no faster than the number of lots.
#include "BenchMain.h"
#include "printing/InventoryReport.h"

#include <QTextDocument>

namespace {

void BuildInventory(benchmark::State& state) {
    const auto& cellar =
        Bench::cellar(static_cast<int>(state.range(0)), static_cast<int>(state.range(0)) / 10);
    QString error;
    const auto definition = ReportDefinition::load(QStringLiteral(BROVANE_PROGRAM_DIR "/Orny01.dat"), error);
    for (auto _ : state) {
        const auto read = InventoryReport::read(*definition, cellar.path, QStringLiteral("Inventaire"));
        const auto document = InventoryReport::document(*definition, read.inventory);
        benchmark::DoNotOptimize(document->pageCount());
        benchmark::DoNotOptimize(InventoryReport::text(*definition, read.inventory).size());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BuildInventory)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

} // namespace
