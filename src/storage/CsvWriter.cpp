// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/CsvWriter.h"

#include <QIODevice>
#include <QLocale>

namespace {

QString quoted(const QString& text) {
    QString cell = text;
    // =, +, - and @ start a formula in a spreadsheet: a quote before them keeps the text a text.
    if (!cell.isEmpty() && QStringLiteral("=+-@").contains(cell.front()))
        cell.prepend(u'\'');
    if (cell.contains(u';') || cell.contains(u'"') || cell.contains(u'\n') || cell.contains(u'\r') ||
        cell != cell.trimmed())
        return u'"' + QString(cell).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
    return cell;
}

} // namespace

CsvWriter::CsvWriter(QIODevice& out) : m_out(out) {
    m_ok = m_out.write("\xEF\xBB\xBF") == 3;
}

void CsvWriter::row(const QVariantList& values) {
    QLocale french(QLocale::French, QLocale::France);
    french.setNumberOptions(QLocale::OmitGroupSeparator);
    QStringList line;
    for (const QVariant& value : values) {
        switch (value.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
            line << QString::number(value.toLongLong());
            break;
        case QMetaType::Double:
            line << french.toString(value.toDouble(), 'g', 15);
            break;
        default:
            line << (value.isNull() ? QString() : quoted(value.toString()));
            break;
        }
    }
    const QByteArray bytes = line.join(u';').toUtf8() + "\r\n";
    m_ok = m_ok && m_out.write(bytes) == bytes.size();
}
