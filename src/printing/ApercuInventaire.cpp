// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/ApercuInventaire.h"

#include "printing/ReportPages.h"
#include "ui/BusyCursor.h"
#include "ui/Services.h"
#include "ui/Windows.h"

#include <QDir>
#include <QFileInfo>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QSaveFile>
#include <QTextDocument>
#include <QToolBar>
#include <QVBoxLayout>

ApercuInventaire::ApercuInventaire(const ReportDefinition& definition,
                                   std::unique_ptr<QTextDocument> document, QString text,
                                   QString proposedTextFile, Services& services, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      m_definition(definition), m_document(std::move(document)), m_text(std::move(text)),
      m_proposedTextFile(std::move(proposedTextFile)), m_services(services),
      m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    setObjectName(QStringLiteral("ApercuInventaire"));
    Windows::setHelpTopic(this, HelpTopic);
    m_printer->setPageLayout(ReportPages::pageLayout(definition));
    m_preview = new QPrintPreviewWidget(m_printer.get(), this);
    m_preview->setObjectName(QStringLiteral("Apercu"));
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter* printer) { ReportPages::paint(*m_document, *printer); });
    auto* bar = new QToolBar(this);
    bar->addAction(QStringLiteral("&Imprimer…"), this, &ApercuInventaire::Imprimer_Click)
        ->setObjectName("Imprimer");
    bar->addAction(QStringLiteral("Exporter en &PDF…"), this, &ApercuInventaire::ExporterPdf_Click)
        ->setObjectName("ExporterPdf");
    bar->addAction(QStringLiteral("Exporter en &texte…"), this, &ApercuInventaire::ExporterTexte_Click)
        ->setObjectName("ExporterTexte");
    bar->addSeparator();
    bar->addAction(QStringLiteral("Page &entière"), m_preview, &QPrintPreviewWidget::fitInView);
    bar->addAction(QStringLiteral("&Largeur de page"), m_preview, &QPrintPreviewWidget::fitToWidth);
    bar->addSeparator();
    bar->addAction(QStringLiteral("&Fermer"), this, &QDialog::close)->setObjectName("Fermer");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    layout->addWidget(m_preview);
    resize(820, 900);
    move(0, 0);
}

ApercuInventaire::~ApercuInventaire() = default;

void ApercuInventaire::Imprimer_Click() {
    QPrintDialog dialog(m_printer.get(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    BusyCursor busy;
    if (ReportPages::paint(*m_document, *m_printer) == 0 || m_printer->printerState() == QPrinter::Error)
        m_services.messages.notice(
            this, QStringLiteral("L'impression a échoué : vérifiez l'imprimante et réessayez."),
            MessageBox::Icon::Critical);
}

void ApercuInventaire::reportNotWritten(const QString& path, const QString& reason) {
    m_services.messages.notice(this,
                               QStringLiteral("Le fichier « %1 » n'a pas pu être écrit : %2")
                                   .arg(QDir::toNativeSeparators(path), reason),
                               MessageBox::Icon::Critical);
}

bool ApercuInventaire::exportPdf(const QString& path) {
    BusyCursor busy;
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        QPdfWriter pdf(&file);
        pdf.setCreator(QStringLiteral("Brovane"));
        pdf.setTitle(windowTitle());
        pdf.setResolution(300);
        pdf.setPageLayout(ReportPages::pageLayout(m_definition));
        written = ReportPages::paint(*m_document, pdf) > 0;
    }
    written = written && file.commit();
    if (!written)
        reportNotWritten(path, file.errorString());
    return written;
}

bool ApercuInventaire::exportText(const QString& path) {
    BusyCursor busy;
    QSaveFile file(path);
    const QByteArray utf8 = m_text.toUtf8();
    const bool written = file.open(QIODevice::WriteOnly) && file.write(utf8) == utf8.size() && file.commit();
    if (!written)
        reportNotWritten(path, file.errorString());
    return written;
}

void ApercuInventaire::ExporterPdf_Click() {
    const QString proposed =
        QFileInfo(m_proposedTextFile).absolutePath() + QStringLiteral("/Inventaire de ma orny.pdf");
    const QString path = m_services.inputs.saveFile(this, QStringLiteral("Exporter l'inventaire en PDF"),
                                                    proposed, QStringLiteral("Documents PDF (*.pdf)"));
    if (!path.isEmpty())
        exportPdf(path);
}

void ApercuInventaire::ExporterTexte_Click() {
    const QString path = m_services.inputs.saveFile(this, QStringLiteral("Exporter l'inventaire en texte"),
                                                    m_proposedTextFile, QStringLiteral("Textes (*.txt)"));
    if (!path.isEmpty())
        exportText(path);
}
