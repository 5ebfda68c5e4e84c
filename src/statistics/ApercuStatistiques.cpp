// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/ApercuStatistiques.h"

#include "printing/ApercuInventaire.h"
#include "printing/PageView.h"
#include "statistics/FigureFiles.h"
#include "ui/BusyCursor.h"
#include "ui/Services.h"
#include "ui/WindowTools.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

ApercuStatistiques::ApercuStatistiques(QList<Figures::Table> tables, Services& services, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      m_pages(std::move(tables)), m_services(services), m_view(new PageView(this)),
      m_where(new QLabel(this)) {
    setObjectName(QStringLiteral("ApercuStatistiques"));
    setWindowTitle(QStringLiteral("Statistiques de la orny"));
    WindowTools::setHelpTopic(this, ApercuInventaire::HelpTopic);
    auto* buttons = new QHBoxLayout;
    const auto button = [this, buttons](const char* name, const QString& caption, const QString& tip) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    connect(button("Imprimer", QStringLiteral("&Imprimer…"),
                   QStringLiteral("Imprimer les statistiques (Ctrl+P)")),
            &QPushButton::clicked, this, &ApercuStatistiques::Imprimer_Click);
    connect(
        button("PageEntiere", QStringLiteral("Page &entière"), QStringLiteral("Voir chaque page en entier")),
        &QPushButton::clicked, this, [this] { m_view->setZoom(PageView::Zoom::WholePage); });
    connect(button("LargeurPage", QStringLiteral("&Largeur de page"),
                   QStringLiteral("Voir les pages sur toute la largeur")),
            &QPushButton::clicked, this, [this] { m_view->setZoom(PageView::Zoom::PageWidth); });
    buttons->addStretch();
    buttons->addWidget(m_where);
    buttons->addStretch();
    connect(button("Fermer", QStringLiteral("&Fermer"), QStringLiteral("Fermer l'aperçu (Échap)")),
            &QPushButton::clicked, this, &QDialog::close);
    new QShortcut(QKeySequence::Print, this, this, &ApercuStatistiques::Imprimer_Click);
    m_where->setObjectName(QStringLiteral("PageCourante"));
    m_view->setObjectName(QStringLiteral("Apercu"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 0);
    layout->addLayout(buttons);
    layout->addWidget(m_view, 1);
    connect(m_view, &PageView::currentPageChanged, this, [this](int page, int count) {
        m_where->setText(QStringLiteral("Page %1 / %2").arg(page + 1).arg(count));
    });
    m_view->setPages(m_pages.pageCount(), m_pages.pageLayout(),
                     [this](QPainter& painter, int page, double dpi) { m_pages.paint(painter, page, dpi); });
    m_where->setText(QStringLiteral("Page 1 / %1").arg(m_pages.pageCount()));
    m_view->setFocus();
    resize(820, 900);
}

void ApercuStatistiques::Imprimer_Click() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(m_pages.pageLayout());
    printer.setDocName(windowTitle());
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    BusyCursor busy;
    if (!FigureFiles::paintAll(m_pages, printer)) {
        printer.abort();
        m_services.messages.notice(
            this, QStringLiteral("L'impression a été interrompue : vérifiez l'imprimante et réessayez."),
            MessageBox::Icon::Exclamation);
    }
}
