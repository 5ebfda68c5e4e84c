// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "printing/ReportDefinition.h"

#include <QDialog>
#include <memory>

class QPrinter;
class QPrintPreviewWidget;
class QTextDocument;
struct Services;

// The inventory on screen, from which the user prints it or exports it as PDF or plain text.
class ApercuInventaire : public QDialog {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 9;

    ApercuInventaire(const ReportDefinition& definition, std::unique_ptr<QTextDocument> document,
                     QString text, QString proposedTextFile, Services& services, QWidget* parent = nullptr);
    ~ApercuInventaire() override;

    // Writes the exports where the user chose; false after telling him what failed.
    bool exportPdf(const QString& path);
    bool exportText(const QString& path);
    const QString& text() const { return m_text; }

public slots:
    void Imprimer_Click();
    void ExporterPdf_Click();
    void ExporterTexte_Click();

private:
    void reportNotWritten(const QString& path, const QString& reason);

    ReportDefinition m_definition;
    std::unique_ptr<QTextDocument> m_document;
    QString m_text;
    QString m_proposedTextFile;
    Services& m_services;
    std::unique_ptr<QPrinter> m_printer;
    QPrintPreviewWidget* m_preview;
};
