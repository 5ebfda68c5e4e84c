// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/PreviewFrame.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

PreviewFrame::PreviewFrame(QDialog* window)
    : m_window(window), m_layout(new QVBoxLayout(window)), m_view(new PageView(window)),
      m_where(new QLabel(window)) {
    m_view->setObjectName(QStringLiteral("Apercu"));
    m_where->setObjectName(QStringLiteral("PageCourante"));
    m_layout->setContentsMargins(6, 6, 6, 0);
    m_layout->addWidget(m_view, 1);
    QObject::connect(m_view, &PageView::currentPageChanged, m_where, [this](int page, int count) {
        m_where->setText(QStringLiteral("Page %1 / %2").arg(page + 1).arg(count));
        if (m_goTo) {
            const QSignalBlocker quiet(m_goTo);
            m_goTo->setValue(page + 1);
        }
    });
    // From anywhere in the window but a field: the page after, before, the first and the last.
    const auto key = [this](QKeyCombination combination, auto target) {
        auto* shortcut = new QShortcut(QKeySequence(combination), m_window);
        QObject::connect(shortcut, &QShortcut::activated, m_view,
                         [this, target] { m_view->goToPage(target()); });
    };
    key(Qt::Key_PageDown, [this] { return m_view->currentPage() + 1; });
    key(Qt::Key_PageUp, [this] { return m_view->currentPage() - 1; });
    key(Qt::Key_Home, [] { return 0; });
    key(Qt::CTRL | Qt::Key_Home, [] { return 0; });
    key(Qt::Key_End, [this] { return m_count - 1; });
    key(Qt::CTRL | Qt::Key_End, [this] { return m_count - 1; });
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

void PreviewFrame::addGoTo(QHBoxLayout* row) {
    m_goTo = new QSpinBox(m_window);
    auto* label = new QLabel(QStringLiteral("&Aller à la page :"), m_window);
    m_goTo->setObjectName(QStringLiteral("AllerPage"));
    m_goTo->setRange(1, std::max(1, m_count));
    m_goTo->setToolTip(QStringLiteral("Numéro de la page à voir, puis Entrée (Ctrl+G)"));
    m_goTo->setKeyboardTracking(false);
    label->setBuddy(m_goTo);
    row->addWidget(label);
    row->addWidget(m_goTo);
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), m_window, m_goTo, [this] {
        m_goTo->setFocus();
        m_goTo->selectAll();
    });
    QObject::connect(m_goTo, &QSpinBox::valueChanged, m_view,
                     [this](int page) { m_view->goToPage(page - 1); });
    QObject::connect(m_goTo, &QSpinBox::editingFinished, m_view, [this] {
        if (m_goTo->hasFocus())
            m_view->setFocus();
    });
}

void PreviewFrame::addClose(QHBoxLayout* row) {
    QObject::connect(
        addButton(row, "Fermer", QStringLiteral("&Fermer"), QStringLiteral("Fermer l'aperçu (Échap)")),
        &QPushButton::clicked, m_window, &QDialog::close);
}

void PreviewFrame::showPages(int count, const QPageLayout& layout, PageView::Painter painter) {
    m_count = count;
    if (m_goTo)
        m_goTo->setRange(1, std::max(1, count));
    m_view->setPages(count, layout, std::move(painter));
    m_where->setText(QStringLiteral("Page 1 / %1").arg(count));
    m_view->setFocus();
}
