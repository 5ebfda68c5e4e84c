// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchMain.h"

#include <algorithm>
#include <cstring>

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QMap>
#include <QRandomGenerator>
#include <cstdio>
#include <map>

namespace Bench {

namespace {
long statusKilobytes(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(static_cast<int>(std::strlen(field))).trimmed().split(' ').front().toLong();
    return 0;
}
} // namespace

PeakMemory::PeakMemory() {
    // Writing 5 there sets the process's peak back to what it holds now.
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (reset.open(QIODevice::WriteOnly))
        reset.write("5");
    m_start = statusKilobytes("VmRSS:");
}

double PeakMemory::megabytes() const {
    return std::max(0.0, static_cast<double>(statusKilobytes("VmHWM:") - m_start) / 1024.0);
}

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

QString freshCellar(const QTemporaryDir& work, int n) {
    const QString path = work.path() + QStringLiteral("/cave%1.dat").arg(n);
    QFile::copy(QStringLiteral(BROVANE_DELIVERED_DATABASE), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

} // namespace Bench

namespace {

// One line a pair: minimum and median of each side over the repetitions, and their ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            Samples& s = samples[withoutSuffix(run.benchmark_name())];
            s.times.push_back(run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) *
                              1e3);
            const auto peak = run.counters.find("peak_MB");
            if (peak != run.counters.end())
                s.memory.push_back(peak->second.value);
            const auto longest = run.counters.find("max_ms");
            if (longest != run.counters.end())
                s.longest.push_back(longest->second.value);
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-34s %21s %21s %13s %13s\n", "pair (ms, MB)", "ours min / median",
                    "baseline min / median", "ratio min", "ratio median");
        for (const auto& [name, ours] : samples) {
            const auto at = name.find("/ours");
            if (at == std::string::npos)
                continue;
            std::string base = name;
            base.replace(at, 5, "/baseline");
            const auto baseline = samples.find(base);
            if (baseline == samples.end())
                continue;
            std::string pair = name;
            pair.erase(at, 5);
            print(pair, ours.times, baseline->second.times, " ms");
            if (!ours.memory.empty() && !baseline->second.memory.empty())
                print(pair + " mem", ours.memory, baseline->second.memory, " MB");
            if (!ours.longest.empty() && !baseline->second.longest.empty())
                print(pair + " max", ours.longest, baseline->second.longest, " ms");
        }
    }

private:
    struct Samples {
        std::vector<double> times;
        std::vector<double> memory;
        std::vector<double> longest; // the longest single operation of a run, where a bench counts it
    };
    static double median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    }
    static void print(const std::string& pair, const std::vector<double>& ours,
                      const std::vector<double>& base, const char* unit) {
        const double oursMin = *std::min_element(ours.begin(), ours.end());
        const double baseMin = *std::min_element(base.begin(), base.end());
        // A ratio to nothing (a baseline that grew no memory) is not a ratio.
        const auto ratio = [](double a, double b) {
            return b > 0 ? QByteArray::number(a / b, 'f', 2) : QByteArray("-");
        };
        std::printf("%-34s %9.2f / %8.2f%s %9.2f / %8.2f%s %13s %13s\n", pair.c_str(), oursMin, median(ours),
                    unit, baseMin, median(base), unit, ratio(oursMin, baseMin).constData(),
                    ratio(median(ours), median(base)).constData());
    }
    static std::string withoutSuffix(std::string name) {
        for (const char* suffix : {"/iterations:", "/real_time", "/repeats:"})
            if (const auto at = name.find(suffix); at != std::string::npos)
                name.erase(at);
        return name;
    }
    std::map<std::string, Samples> samples;
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
