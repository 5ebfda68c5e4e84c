// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractScrollArea>
#include <QCache>
#include <QImage>
#include <QPageLayout>
#include <functional>

// Pages one below the other, drawn only when they come into view and kept for a while, so that a
// document of thousands of pages shows its first one at once and holds only a few in memory.
class PageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    // Draws a page in its printable area, on a painter already at the area's corner, for `dpi` dots per inch.
    using Painter = std::function<void(QPainter& painter, int page, double dpi)>;
    enum class Zoom { WholePage, PageWidth };

    explicit PageView(QWidget* parent = nullptr);

    void setPages(int count, const QPageLayout& layout, Painter painter);
    void setZoom(Zoom zoom);
    int currentPage() const;
    void goToPage(int page);
    // How many pages have been drawn so far: the others never were.
    int pagesDrawn() const { return m_drawn; }

signals:
    void currentPageChanged(int page, int count);
    void firstPageShown();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    double dotsPerInch() const;
    QSize pageSize() const;
    int pageTop(int page) const;
    void updateScrollBars();
    const QImage& image(int page);

    int m_count = 0;
    QPageLayout m_layout;
    Painter m_painter;
    Zoom m_zoom = Zoom::PageWidth;
    QCache<int, QImage> m_cache;
    int m_drawn = 0;
    bool m_firstShown = false;
    int m_lastCurrent = -1;
};
