// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WineColours.h"

namespace WineColours {

std::optional<QColor> of(const QString& colour) {
    static const std::pair<QString, QColor> Known[] = {
        {QStringLiteral("Rouge"), QColor(0x8c, 0x1c, 0x2f)},
        {QStringLiteral("Blanc"), QColor(0xe9, 0xd9, 0x8b)},
        {QStringLiteral("Rosé"), QColor(0xee, 0x8f, 0xa6)},
    };
    const QString name = colour.trimmed();
    for (const auto& [known, shown] : Known)
        if (name.compare(known, Qt::CaseInsensitive) == 0)
            return shown;
    return std::nullopt;
}

} // namespace WineColours
