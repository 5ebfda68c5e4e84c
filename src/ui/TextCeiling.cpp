// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TextCeiling.h"

namespace TextCeiling {

QString clipped(const QString& text, qsizetype ceiling) {
    if (text.size() <= ceiling)
        return text;
    qsizetype cut = ceiling;
    if (cut > 0 && text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + QStringLiteral(" […]");
}

} // namespace TextCeiling
