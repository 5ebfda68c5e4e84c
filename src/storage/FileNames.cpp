// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/FileNames.h"

namespace FileNames {

QString day(const QDate& date) {
    return date.toString(Qt::ISODate);
}

QString safe(const QString& text) {
    QString name = text;
    for (QChar& c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = u'-';
    return name.trimmed();
}

QString dated(const QString& name, const QDate& date, const QString& extension) {
    return safe(name + u' ' + day(date)) + extension;
}

} // namespace FileNames
