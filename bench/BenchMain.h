// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"

#include <QString>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

// Benchmarks come in pairs, "Something/ours" and "Something/baseline", the baseline doing the same work
// on the same file by the plainest means. Run with repetitions and random interleaving (scripts/bench),
// the shared main prints for each pair the minimum and median of both and their ratios.
namespace Bench {

// The most memory the process took, above what it held when this was made.
class PeakMemory {
public:
    PeakMemory();
    double megabytes() const;

private:
    long m_start = 0;
};

// A copy of the delivered cellar holding `lots` lots over `names` distinct names, made once per process.
struct Cellar {
    QTemporaryDir dir;
    QString path;
};
const Cellar& cellar(int lots, int names);
QString copyOf(const Cellar& cellar, const QString& name);
// The n-th fresh copy of the delivered, empty cellar in `work`.
QString freshCellar(const QTemporaryDir& work, int n);

} // namespace Bench

// Registers Name_ours and Name_baseline as one pair, with the same settings (a chain of ->Arg(...) etc.).
#define BENCH_PAIR(pair, settings)                                                                           \
    BENCHMARK(pair##_ours)->Name(#pair "/ours") settings;                                                    \
    BENCHMARK(pair##_baseline)->Name(#pair "/baseline") settings
