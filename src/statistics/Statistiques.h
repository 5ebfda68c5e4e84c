// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globals/Globals.h"
#include "statistics/Figures.h"
#include "ui/WorkingWindow.h"

#include <QDate>
#include <memory>

namespace Ui {
class Statistiques;
}
class FiguresPage;
struct Services;

// The cellar and its life at a glance: what it holds, what to drink and when, what was drunk and bought,
// what it was worth; each page a chart and its figures, exported or printed.
class Statistiques : public WorkingWindow {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 20;
    // The rows the figures go over for each call of the progress.
    static constexpr qint64 RowsPerStep = 400;

    Statistiques(Globals& globals, Services& services, QWidget* parent = nullptr,
                 const QDate& today = QDate::currentDate());
    ~Statistiques() override;

    // Nothing when the user stopped the figures while they were worked out: the window does not open.
    int exec() override;
    bool cancelled() const { return m_cancelled; }

    FiguresPage* currentPage() const;
    // Writes what is shown; false after telling the user why not.
    bool exportPng(const QString& path);
    bool exportPdf(const QString& path);
    bool exportCsv(const QString& path);
    // Every table of every page, in the order of the pages.
    QList<Figures::Table> allTables() const;

public slots:
    void ExporterPng_Click();
    void ExporterPdf_Click();
    void ExporterCsv_Click();
    void Imprimer_Click();
    void Quitter_Click();

private:
    void Form_Load(const QDate& today);
    bool report(const Status& status);
    // A cellar with no lot nor movement: nothing to count yet.
    static bool isEmpty(const QList<Figures::Page>& pages);
    QString fileName(const QString& suffix) const;
    // What ends each printed sheet: the day and the cellar.
    QString footer() const;
    // Asks where to write, proposing the page's name and the day, then writes there.
    void exportAs(const QString& title, const QString& suffix, const QString& filter,
                  bool (Statistiques::*write)(const QString&));

    std::unique_ptr<Ui::Statistiques> ui;
    Globals& m_globals;
    Services& m_services;
    QDate m_today;
    bool m_cancelled = false;
};
