// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/ReportPages.h"

#include <QAbstractTextDocumentLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextDocument>
#include <memory>

namespace ReportPages {

QPageLayout pageLayout(const ReportDefinition& definition) {
    return QPageLayout(
        QPageSize(definition.pageSize), definition.orientation,
        QMarginsF(definition.marginsMm, definition.marginsMm, definition.marginsMm, definition.marginsMm),
        QPageLayout::Millimeter);
}

int paint(const QTextDocument& source, QPagedPaintDevice& device) {
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    std::unique_ptr<QTextDocument> doc(source.clone());
    doc->documentLayout()->setPaintDevice(&device);
    const QRect area = device.pageLayout().paintRectPixels(device.logicalDpiX());
    QFont footerFont = doc->defaultFont();
    footerFont.setPointSizeF(8);
    const int footer = QFontMetrics(footerFont, &device).height() * 2;
    const QSizeF body(area.width(), area.height() - footer);
    doc->setPageSize(body);
    const int pages = doc->pageCount();
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            device.newPage();
        painter.save();
        painter.translate(0, -page * body.height());
        doc->drawContents(&painter, QRectF(QPointF(0, page * body.height()), body));
        painter.restore();
        painter.setFont(footerFont);
        painter.drawText(QRectF(0, body.height(), body.width(), footer), Qt::AlignCenter,
                         QStringLiteral("Page %1 / %2").arg(page + 1).arg(pages));
    }
    painter.end();
    return pages;
}

} // namespace ReportPages
