// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "statistics/Figures.h"
#include "statistics/Periods.h"

#include <QWidget>

class QChartView;
class QComboBox;
class QLabel;
class QRadioButton;
class QScrollArea;
class QStackedWidget;
class QTableView;

// One page of the statistics: a list of its tables when it has several, the chosen table's chart above,
// its figures below, and what they leave out. The chart is drawn when its table is first shown, as high as
// its names need, scrolled when the window is lower. A page whose first table goes over periods offers
// their step, a month or a year.
class FiguresPage : public QWidget {
    Q_OBJECT
public:
    FiguresPage(const Figures::Page& page, bool periods, QWidget* parent = nullptr);

    // The tables as shown, in the step chosen.
    const Figures::Page& page() const { return m_page; }
    int current() const;
    const Figures::Table& currentTable() const;
    QChartView* chartView() const { return m_chart; }
    // The chart, or the sentence in its place when it has nothing to draw: what is seen above the table.
    QWidget* chartArea() const;
    QTableView* tableView() const { return m_table; }

public slots:
    void ListeTableau_Change();
    void Pas_Change();

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void copySelection();
    void drawChart();

    const Figures::Page m_read;
    Figures::Page m_page;
    QComboBox* m_list;
    QRadioButton* m_months = nullptr;
    QRadioButton* m_years = nullptr;
    QScrollArea* m_scroll;
    QChartView* m_chart;
    QLabel* m_blank;
    QStackedWidget* m_chartArea;
    QTableView* m_table;
    QLabel* m_note;
    int m_room = 0; // the characters of a bar's name, for the chart's width
};
