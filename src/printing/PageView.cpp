// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/PageView.h"

#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace {
constexpr int Spacing = 16;
// The pages kept once drawn, in kilobytes of image.
constexpr int CacheKilobytes = 64 * 1024;
} // namespace

PageView::PageView(QWidget* parent) : QAbstractScrollArea(parent) {
    m_cache.setMaxCost(CacheKilobytes);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(40);
}

void PageView::setPages(int count, const QPageLayout& layout, Painter painter) {
    m_count = count;
    m_layout = layout;
    m_painter = std::move(painter);
    m_cache.clear();
    updateScrollBars();
    viewport()->update();
}

void PageView::setZoom(Zoom zoom) {
    const int page = currentPage();
    m_zoom = zoom;
    m_cache.clear();
    updateScrollBars();
    goToPage(page);
}

double PageView::dotsPerInch() const {
    const QRectF full = m_layout.fullRect(QPageLayout::Inch);
    if (full.isEmpty())
        return 96;
    const double byWidth = (viewport()->width() - 2 * Spacing) / full.width();
    const double byHeight = (viewport()->height() - 2 * Spacing) / full.height();
    return std::max(8.0, m_zoom == Zoom::PageWidth ? byWidth : std::min(byWidth, byHeight));
}

QSize PageView::pageSize() const {
    const QRectF full = m_layout.fullRect(QPageLayout::Inch);
    const double dpi = dotsPerInch();
    return QSize(static_cast<int>(full.width() * dpi), static_cast<int>(full.height() * dpi));
}

int PageView::pageTop(int page) const {
    return Spacing + page * (pageSize().height() + Spacing);
}

int PageView::currentPage() const {
    if (m_count == 0)
        return 0;
    const int step = pageSize().height() + Spacing;
    return std::clamp((verticalScrollBar()->value() + viewport()->height() / 3) / std::max(step, 1), 0,
                      m_count - 1);
}

void PageView::goToPage(int page) {
    if (m_count == 0)
        return;
    verticalScrollBar()->setValue(pageTop(std::clamp(page, 0, m_count - 1)) - Spacing);
    viewport()->update();
}

void PageView::updateScrollBars() {
    const QSize page = pageSize();
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setRange(0, std::max(0, pageTop(m_count) - viewport()->height()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(0, std::max(0, page.width() + 2 * Spacing - viewport()->width()));
}

const QImage& PageView::image(int page) {
    if (const QImage* kept = m_cache.object(page))
        return *kept;
    const qreal ratio = devicePixelRatioF();
    const QSize size = pageSize() * ratio;
    auto* image = new QImage(size, QImage::Format_RGB32);
    image->setDevicePixelRatio(ratio);
    image->fill(Qt::white);
    {
        QPainter painter(image);
        const double dpi = dotsPerInch() * ratio;
        const QRectF area = m_layout.paintRect(QPageLayout::Inch);
        // The painter works in the image's own pixels.
        painter.scale(1 / ratio, 1 / ratio);
        painter.translate(area.left() * dpi, area.top() * dpi);
        m_painter(painter, page, dpi);
    }
    ++m_drawn;
    m_cache.insert(page, image, std::max<qsizetype>(1, image->sizeInBytes() / 1024));
    return *m_cache.object(page);
}

void PageView::paintEvent(QPaintEvent*) {
    if (m_count == 0 || !m_painter)
        return;
    QPainter painter(viewport());
    const QSize size = pageSize();
    const int x =
        std::max(Spacing, (viewport()->width() - size.width()) / 2) - horizontalScrollBar()->value();
    const int scroll = verticalScrollBar()->value();
    const int step = size.height() + Spacing;
    const int first = std::max(0, (scroll - Spacing) / std::max(step, 1));
    for (int page = first; page < m_count && pageTop(page) - scroll < viewport()->height(); ++page) {
        const int y = pageTop(page) - scroll;
        painter.fillRect(QRect(x + 3, y + 3, size.width(), size.height()), QColor(0, 0, 0, 60));
        painter.drawImage(QPoint(x, y), image(page));
    }
    painter.end();
    if (!m_firstShown) {
        m_firstShown = true;
        emit firstPageShown();
    }
}

void PageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    m_cache.clear();
    updateScrollBars();
}

void PageView::scrollContentsBy(int, int) {
    viewport()->update();
    const int page = currentPage();
    if (page != m_lastCurrent) {
        m_lastCurrent = page;
        emit currentPageChanged(page, m_count);
    }
}
