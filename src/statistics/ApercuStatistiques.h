// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "printing/PreviewFrame.h"
#include "statistics/FigurePages.h"

#include <QDialog>

struct Services;

// The statistics on paper, page by page in the inventory's preview, from which the user prints them. The
// same keys go from sheet to sheet: Page Down, Page Up, Home, End, and Ctrl+G (or Alt+A) to a sheet by its
// number.
class ApercuStatistiques : public QDialog {
    Q_OBJECT
public:
    // `footer` ends each sheet: the day and the cellar.
    ApercuStatistiques(QList<Figures::Table> tables, QString footer, Services& services,
                       QWidget* parent = nullptr);

    const FigurePages& sheets() const { return m_pages; }
    PageView* pages() const { return m_view; }

public slots:
    void Imprimer_Click();

private:
    FigurePages m_pages;
    Services& m_services;
    PreviewFrame m_frame;
    PageView* m_view;
};
