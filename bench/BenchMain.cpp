// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchMain.h"

#include <QApplication>
#include <QFile>
#include <QMap>
#include <QRandomGenerator>
#include <cstdio>
#include <map>

namespace Bench {

const Cellar& cellar(int lots, int names) {
    static std::map<std::pair<int, int>, std::unique_ptr<Cellar>> made;
    auto& slot = made[{lots, names}];
    if (slot)
        return *slot;
    slot = std::make_unique<Cellar>();
    slot->path = slot->dir.path() + QStringLiteral("/Orny02.dat");
    QFile::copy(QStringLiteral(BROVANE_DELIVERED_DATABASE), slot->path);
    QFile::setPermissions(slot->path, QFile::ReadOwner | QFile::WriteOwner);
    static const char* types[] = {"Bordeaux",  "Bourgogne", "Loire",      "Rhône",    "Alsace", "Jura",
                                  "Languedoc", "Champagne", "Beaujolais", "Provence", "Savoie", "Sud-Ouest"};
    static const char* colours[] = {"Rouge", "Blanc", "Rosé"};
    static const char* words[] = {"Château",   "Domaine", "Clos",  "Côte",
                                  "Échézeaux", "Mas",     "Cuvée", "Abbaye"};
    QRandomGenerator random(42);
    DataLink link(slot->path);
    const Status filled = link.write([&](DataLink& l) -> Status {
        for (int i = 0; i < lots; ++i) {
            const int n = i % names;
            const QString name = QStringLiteral("%1 %2").arg(QString::fromUtf8(words[n % 8])).arg(n);
            const QVariant price = i % 10 == 0 ? QVariant() : QVariant(random.bounded(500, 20000) / 100.0);
            if (Status e =
                    l.execute(QStringLiteral("INSERT INTO ORNY VALUES (?1, ?2, ?3, ?4, ?5, ?6)"),
                              {name, QString::fromUtf8(types[random.bounded(12)]), 1950 + random.bounded(75),
                               QString::fromUtf8(colours[random.bounded(3)]), 1 + random.bounded(24), price}))
                return e;
        }
        return std::nullopt;
    });
    if (filled)
        qFatal("%s", qPrintable(filled->text()));
    return *slot;
}

QString copyOf(const Cellar& cellar, const QString& name) {
    const QString path = cellar.dir.path() + QLatin1Char('/') + name;
    QFile::remove(path);
    QFile::copy(cellar.path, path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

} // namespace Bench

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                times[withoutSuffix(run.benchmark_name())] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-48s %14s %14s %8s\n", "pair", "ours", "baseline", "ratio");
        for (const auto& [name, ours] : times) {
            const auto slash = name.rfind("/ours");
            if (slash == std::string::npos)
                continue;
            const std::string base = name.substr(0, slash);
            const auto baseline = times.find(base + "/baseline");
            if (baseline == times.end())
                continue;
            std::printf("%-48s %11.3f ms %11.3f ms %8.2f\n", base.c_str(), ours, baseline->second,
                        ours / baseline->second);
        }
    }

private:
    static std::string withoutSuffix(std::string name) {
        const auto suffix = name.find("/real_time");
        return suffix == std::string::npos ? name : name.erase(suffix);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
