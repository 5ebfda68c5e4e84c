// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/ApercuStatistiques.h"

#include "printing/ApercuInventaire.h"
#include "statistics/FigureFiles.h"
#include "ui/BusyCursor.h"
#include "ui/Services.h"
#include "ui/WindowTools.h"

#include <QHBoxLayout>
#include <QPrintDialog>
#include <QPrinter>

ApercuStatistiques::ApercuStatistiques(QList<Figures::Table> tables, QString footer, Services& services,
                                       QWidget* parent)
    : QDialog(parent, PreviewFrame::Flags), m_pages(std::move(tables), std::move(footer)),
      m_services(services), m_frame(this), m_view(m_frame.view()) {
    setObjectName(QStringLiteral("ApercuStatistiques"));
    setWindowTitle(QStringLiteral("Statistiques de la orny"));
    WindowTools::setHelpTopic(this, ApercuInventaire::HelpTopic);
    QHBoxLayout* buttons = m_frame.addRow();
    m_frame.addPrint(buttons, QStringLiteral("Imprimer les statistiques (Ctrl+P)"),
                     [this] { Imprimer_Click(); });
    m_frame.addZoom(buttons);
    buttons->addStretch();
    m_frame.addWhere(buttons);
    m_frame.addGoTo(buttons);
    buttons->addStretch();
    m_frame.addClose(buttons);
    m_frame.showPages(m_pages.pageCount(), m_pages.pageLayout(),
                      [this](QPainter& painter, int page, double dpi) { m_pages.paint(painter, page, dpi); });
    WindowTools::fitToScreen(this, QSize(820, 900));
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
