// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BenchMain.h"

// Fresh copies of the delivered, empty cellar, one a run, each made while the clock is stopped: what an
// import writes into.
namespace Bench {

class FreshCellars {
public:
    QString next(benchmark::State& state) {
        state.PauseTiming();
        const QString path = freshCellar(m_work, ++m_made);
        state.ResumeTiming();
        return path;
    }

private:
    QTemporaryDir m_work;
    int m_made = 0;
};

} // namespace Bench
