// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"

#include <QString>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

// Benchmarks come in pairs named "Something/ours" and "Something/baseline"; the shared main prints
// the ratio of each pair after the usual table.
namespace Bench {

// A copy of the delivered cellar holding `lots` lots over `names` distinct names, made once per process.
struct Cellar {
    QTemporaryDir dir;
    QString path;
};
const Cellar& cellar(int lots, int names);
QString copyOf(const Cellar& cellar, const QString& name);

} // namespace Bench
