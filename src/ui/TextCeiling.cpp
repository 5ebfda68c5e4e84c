// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TextCeiling.h"

namespace TextCeiling {

namespace {
const QString Mark = QStringLiteral(" […]");
} // namespace

QString clipped(const QString& text, qsizetype ceiling) {
    if (text.size() <= ceiling)
        return text;
    qsizetype cut = ceiling;
    if (cut > 0 && text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + Mark;
}

QString clippedSql(const QString& expression, qsizetype ceiling) {
    // The engine counts characters, not bytes, and never splits one.
    return QStringLiteral(
               "CASE WHEN typeof(%1) IN ('text', 'blob') AND length(%1) > %2 THEN substr(%1, 1, %2) || '%3' "
               "ELSE %1 END")
        .arg(expression)
        .arg(ceiling)
        .arg(Mark);
}

} // namespace TextCeiling
