// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"
#include "printing/InventoryReport.h"
#include "printing/PdfOutline.h"
#include "printing/PreviewFrame.h"
#include "printing/ReportDefinition.h"
#include "printing/ReportLayout.h"

#include <QDialog>
#include <memory>

class QPagedPaintDevice;
class QPainter;
class PageView;
struct Services;

// The inventory on screen, from which the user prints it or exports it as PDF or plain text. Pages are
// drawn when they are looked at; printing and the PDF go page by page, and can be cancelled. Page Down,
// Page Up, Home and End go from page to page wherever the focus is but in a field; Ctrl+G (or Alt+A) goes
// to a page by its number.
class ApercuInventaire : public QDialog {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 9;
    static constexpr const char* TextFile = "Inventaire de ma orny.txt";

    ApercuInventaire(const ReportDefinition& definition, InventoryReport::Plan plan,
                     const QString& databasePath, Services& services, QWidget* parent = nullptr);
    ~ApercuInventaire() override;

    const ReportLayout& layout() const { return *m_layout; }
    PageView* pages() const { return m_view; }
    // Writes the exports where the user chose; false after telling him what failed or that he cancelled.
    bool exportPdf(const QString& path);
    bool exportText(const QString& path);
    // Paints every page on the device, one at a time; false when cancelled or failed.
    bool paintAll(QPagedPaintDevice& device, const QString& what);

signals:
    void firstPageShown();

public slots:
    void Imprimer_Click();
    void ExporterPdf_Click();
    void ExporterTexte_Click();

private:
    std::vector<PdfOutline::Entry> outline() const;
    void paintPage(QPainter& painter, int page, double dpi);
    void reportNotWritten(const QString& path, const QString& reason);

    ReportDefinition m_definition;
    InventoryReport::Plan m_plan;
    std::unique_ptr<ReportLayout> m_layout;
    DataLink m_link;
    Services& m_services;
    PreviewFrame m_frame;
    PageView* m_view;
};
