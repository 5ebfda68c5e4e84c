// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/FiguresPage.h"

#include "statistics/Charts.h"
#include "statistics/FiguresModel.h"

#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QVBoxLayout>

FiguresPage::FiguresPage(const Figures::Page& page, bool periods, QWidget* parent)
    : QWidget(parent), m_read(page), m_page(page), m_list(new QComboBox(this)),
      m_scroll(new QScrollArea(this)), m_chart(new QChartView(this)), m_blank(new QLabel(this)),
      m_chartArea(new QStackedWidget(this)), m_table(new QTableView(this)), m_note(new QLabel(this)) {
    m_list->setObjectName(QStringLiteral("ListeTableau"));
    m_chart->setObjectName(QStringLiteral("Graphique"));
    m_table->setObjectName(QStringLiteral("Tableau"));
    m_note->setObjectName(QStringLiteral("Note"));
    auto* label = new QLabel(QStringLiteral("A&fficher :"), this);
    label->setBuddy(m_list);
    for (const Figures::Table& t : m_page.tables)
        m_list->addItem(t.name);
    auto* choice = new QHBoxLayout;
    choice->addWidget(label);
    choice->addWidget(m_list);
    choice->addStretch();
    label->setVisible(m_page.tables.size() > 1);
    m_list->setVisible(m_page.tables.size() > 1);
    if (periods && !m_page.tables.isEmpty()) {
        m_months = new QRadioButton(QStringLiteral("Par &mois"), this);
        m_years = new QRadioButton(QStringLiteral("Par &année"), this);
        m_months->setObjectName(QStringLiteral("ParMois"));
        m_years->setObjectName(QStringLiteral("ParAnnee"));
        m_months->setChecked(true);
        choice->insertWidget(choice->count() - 1, m_months);
        choice->insertWidget(choice->count() - 1, m_years);
        connect(m_months, &QRadioButton::toggled, this, &FiguresPage::Pas_Change);
        m_page.tables[0] = Periods::inSteps(m_read.tables.at(0), Periods::Step::Month);
    }

    m_chart->setRenderHint(QPainter::Antialiasing);
    m_chart->setFocusPolicy(Qt::NoFocus);
    // Some of the chart and several rows of its table, however large the font; the chart scrolls.
    m_scroll->setMinimumHeight(fontMetrics().height() * 12);
    m_table->setMinimumHeight(fontMetrics().height() * 9);
    m_blank->setObjectName(QStringLiteral("GraphiqueVide"));
    m_blank->setAlignment(Qt::AlignCenter);
    m_blank->setWordWrap(true);
    m_chartArea->addWidget(m_chart);
    m_chartArea->addWidget(m_blank);
    m_scroll->setObjectName(QStringLiteral("DefilementGraphique"));
    m_scroll->setWidget(m_chartArea);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    // Tab leaves the table and Ctrl+Tab goes to the next page, as everywhere else in the window.
    m_table->setTabKeyNavigation(false);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* copy = new QAction(m_table);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    m_table->addAction(copy);
    connect(copy, &QAction::triggered, this, &FiguresPage::copySelection);
    m_note->setWordWrap(true);
    m_note->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_scroll);
    split->addWidget(m_table);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    split->setChildrenCollapsible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addWidget(split, 1);
    layout->addWidget(m_note);
    setFocusProxy(m_table);
    connect(m_list, &QComboBox::currentIndexChanged, this, &FiguresPage::ListeTableau_Change);
    ListeTableau_Change();
}

int FiguresPage::current() const {
    return std::max(0, m_list->currentIndex());
}

const Figures::Table& FiguresPage::currentTable() const {
    return m_page.tables.at(current());
}

void FiguresPage::ListeTableau_Change() {
    if (m_page.tables.isEmpty())
        return;
    QAbstractItemModel* old = m_table->model();
    m_table->setModel(new FiguresModel(currentTable(), m_table));
    delete old;
    // Numbers keep their width; the names take what is left.
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    if (m_table->model()->rowCount() > 0)
        m_table->setCurrentIndex(m_table->model()->index(0, 0));
    m_note->setText(currentTable().note);
    drawChart();
}

void FiguresPage::Pas_Change() {
    m_page.tables[0] = Periods::inSteps(m_read.tables.at(0),
                                        m_years->isChecked() ? Periods::Step::Year : Periods::Step::Month);
    if (current() == 0)
        ListeTableau_Change();
}

void FiguresPage::drawChart() {
    if (m_page.tables.isEmpty())
        return;
    // Every name whole: the chart is as high as they need, and scrolls in a lower window.
    m_chartArea->setMinimumHeight(static_cast<int>(Charts::height(currentTable(), fontMetrics().height())));
    QChart* old = m_chart->chart();
    m_room = Charts::labelRoom(m_chart->width(), fontMetrics().averageCharWidth());
    m_chart->setChart(Charts::build(currentTable(), palette(), m_room));
    delete old;
    m_blank->setText(Charts::blankText(currentTable()));
    m_chartArea->setCurrentWidget(Charts::drawable(currentTable()) ? static_cast<QWidget*>(m_chart)
                                                                   : m_blank);
}

QWidget* FiguresPage::chartArea() const {
    return m_chartArea;
}

void FiguresPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The names beside the bars are cut to the room a wider or narrower chart gives them.
    if (Charts::labelRoom(m_chart->width(), fontMetrics().averageCharWidth()) != m_room)
        drawChart();
}

void FiguresPage::changeEvent(QEvent* event) {
    // A palette changed while the window is open (a dark theme chosen) redraws the chart in its colours.
    if (event->type() == QEvent::PaletteChange)
        drawChart();
    QWidget::changeEvent(event);
}

void FiguresPage::copySelection() {
    // The cells chosen, as a spreadsheet pastes them: a tab between cells, a line a row.
    QModelIndexList chosen = m_table->selectionModel()->selectedIndexes();
    std::sort(chosen.begin(), chosen.end());
    QString text;
    int row = -1;
    for (const QModelIndex& index : chosen) {
        if (row >= 0)
            text += index.row() == row ? QStringLiteral("\t") : QStringLiteral("\n");
        row = index.row();
        text += index.data().toString();
    }
    QApplication::clipboard()->setText(text);
}
