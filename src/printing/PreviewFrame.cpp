// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/PreviewFrame.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

PreviewFrame::PreviewFrame(QDialog* window)
    : m_window(window), m_layout(new QVBoxLayout(window)), m_view(new PageView(window)),
      m_where(new QLabel(window)) {
    m_view->setObjectName(QStringLiteral("Apercu"));
    m_where->setObjectName(QStringLiteral("PageCourante"));
    m_layout->setContentsMargins(6, 6, 6, 0);
    m_layout->addWidget(m_view, 1);
    QObject::connect(m_view, &PageView::currentPageChanged, m_where, [this](int page, int count) {
        m_where->setText(QStringLiteral("Page %1 / %2").arg(page + 1).arg(count));
    });
}

QHBoxLayout* PreviewFrame::addRow() {
    auto* row = new QHBoxLayout;
    m_layout->insertLayout(m_layout->count() - 1, row);
    return row;
}

QPushButton* PreviewFrame::addButton(QHBoxLayout* row, const char* name, const QString& caption,
                                     const QString& tip) {
    auto* button = new QPushButton(caption, m_window);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(tip);
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

void PreviewFrame::addPrint(QHBoxLayout* row, const QString& tip, const std::function<void()>& print) {
    QObject::connect(addButton(row, "Imprimer", QStringLiteral("&Imprimer…"), tip), &QPushButton::clicked,
                     m_window, print);
    QObject::connect(new QShortcut(QKeySequence::Print, m_window), &QShortcut::activated, m_window, print);
}

void PreviewFrame::addZoom(QHBoxLayout* row) {
    QObject::connect(addButton(row, "PageEntiere", QStringLiteral("Page &entière"),
                               QStringLiteral("Voir chaque page en entier")),
                     &QPushButton::clicked, m_view, [this] { m_view->setZoom(PageView::Zoom::WholePage); });
    QObject::connect(addButton(row, "LargeurPage", QStringLiteral("&Largeur de page"),
                               QStringLiteral("Voir les pages sur toute la largeur")),
                     &QPushButton::clicked, m_view, [this] { m_view->setZoom(PageView::Zoom::PageWidth); });
}

void PreviewFrame::addWhere(QHBoxLayout* row) {
    row->addWidget(m_where);
}

void PreviewFrame::addClose(QHBoxLayout* row) {
    QObject::connect(
        addButton(row, "Fermer", QStringLiteral("&Fermer"), QStringLiteral("Fermer l'aperçu (Échap)")),
        &QPushButton::clicked, m_window, &QDialog::close);
}

void PreviewFrame::showPages(int count, const QPageLayout& layout, PageView::Painter painter) {
    m_view->setPages(count, layout, std::move(painter));
    m_where->setText(QStringLiteral("Page 1 / %1").arg(count));
    m_view->setFocus();
}
