// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/ColumnFit.h"

#include <algorithm>

std::vector<double> ColumnFit::fit(const std::vector<Column>& columns, double room, double gap) {
    std::vector<double> widths;
    for (const Column& column : columns)
        widths.push_back(column.width);
    const auto total = [&] {
        double sum = widths.empty() ? 0 : gap * static_cast<double>(widths.size() - 1);
        for (const double w : widths)
            sum += w;
        return sum;
    };
    for (const bool figures : {false, true}) {
        const double over = total() - room;
        if (over <= 0)
            break;
        std::vector<double> least(widths.size(), 0);
        double spare = 0;
        for (size_t c = 0; c < widths.size(); ++c) {
            if (columns[c].figure != figures)
                continue;
            least[c] = std::min(widths[c], columns[c].least);
            spare += widths[c] - least[c];
        }
        if (spare <= 0)
            continue;
        const double share = std::min(1.0, over / spare);
        for (size_t c = 0; c < widths.size(); ++c)
            if (columns[c].figure == figures)
                widths[c] -= (widths[c] - least[c]) * share;
    }
    return widths;
}
