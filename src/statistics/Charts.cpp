// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/Charts.h"

#include "ui/Numbers.h"
#include "ui/WineColours.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QHorizontalBarSeries>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPieSeries>
#include <QPieSlice>
#include <QScatterSeries>
#include <cmath>

namespace Charts {

namespace {

using Figures::Table;
using Figures::Unit;

// The share below which a slice of a pie shows no label.
constexpr double SmallestLabelled = 0.04;
// The fewest characters a bar's name is cut to, whatever the room.
constexpr int ShortestName = 12;
// A category's label lies flat while all of them hold in about this many characters.
constexpr int FlatCharacters = 110;

QColor mix(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * share + b.redF() * (1 - share)),
                            static_cast<float>(a.greenF() * share + b.greenF() * (1 - share)),
                            static_cast<float>(a.blueF() * share + b.blueF() * (1 - share)));
}

// The rows drawn: the total row is the table's, not a bar of its own; nor is a row without figures.
QList<int> drawnRows(const Table& t) {
    QList<int> rows;
    const int count = static_cast<int>(t.rows.size()) - (t.totalRow ? 1 : 0);
    for (int r = 0; r < count; ++r)
        rows << r;
    return rows;
}

// Category names must differ: a name met twice is numbered.
QStringList categories(const Table& t, const QList<int>& rows) {
    QStringList names;
    for (const int r : rows) {
        QString name = t.rows.at(r).at(0).toString();
        if (t.headers.size() > 2 && t.units.value(2) == Unit::Text &&
            !t.rows.at(r).at(2).toString().isEmpty())
            name += QLatin1Char(' ') + t.rows.at(r).at(2).toString();
        QString unique = name;
        for (int n = 2; names.contains(unique); ++n)
            unique = QStringLiteral("%1 (%2)").arg(name).arg(n);
        names << unique;
    }
    return names;
}

// A name in `most` characters: a longer one loses its middle, keeping its end (a year, a cuvée).
QString shortened(const QString& name, int most) {
    most = std::max(most, ShortestName);
    if (name.size() <= most)
        return name;
    qsizetype head = most / 2 - 1, tail = most - head - 1;
    if (name.at(head - 1).isHighSurrogate())
        --head;
    if (name.at(name.size() - tail).isLowSurrogate())
        --tail;
    return name.left(head) + u'…' + name.right(tail);
}

double niceStep(double max) {
    if (max <= 0)
        return 1;
    const double raw = max / 5;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double f : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (raw <= f * magnitude)
            return std::max(f * magnitude, 1.0);
    return 10 * magnitude;
}

// The value axis, its graduations written in French ("1 500", "2 000,00 €"), which the axis' own printf
// formats cannot do.
QCategoryAxis* valueAxis(double max, Unit unit, const QPalette& palette) {
    auto* axis = new QCategoryAxis;
    const double step = niceStep(max);
    const int steps = std::max(1, static_cast<int>(std::ceil(max / step)));
    axis->setRange(0, step * steps);
    axis->setStartValue(0);
    for (int s = 1; s <= steps; ++s)
        axis->append(Figures::format(step * s, unit), step * s);
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setLabelsBrush(palette.text());
    axis->setGridLineColor(mix(palette.color(QPalette::Text), palette.color(QPalette::Base), 0.25));
    axis->setLinePenColor(palette.color(QPalette::Text));
    return axis;
}

// Along the bottom, names lie flat while they hold side by side, and stand upright past that, so that
// each shows whole.
bool upright(const QStringList& names) {
    qsizetype characters = 0;
    for (const QString& name : names)
        characters += name.size() + 2;
    return characters > FlatCharacters;
}

QBarCategoryAxis* categoryAxis(const QStringList& names, const QPalette& palette, bool across) {
    auto* axis = new QBarCategoryAxis;
    axis->append(names);
    axis->setLabelsBrush(palette.text());
    axis->setLinePenColor(palette.color(QPalette::Text));
    axis->setGridLineVisible(false);
    if (across && upright(names))
        axis->setLabelsAngle(-90);
    return axis;
}

double maxOf(const Table& t, const QList<int>& rows, const QList<int>& columns) {
    double max = 0;
    for (const int r : rows)
        for (const int c : columns)
            max = std::max(max, t.rows.at(r).at(c).toDouble());
    return max;
}

void donut(QChart* chart, const Table& t, const QList<int>& rows, const QPalette& palette) {
    auto* series = new QPieSeries;
    series->setHoleSize(0.35);
    series->setPieSize(0.7);
    const int column = t.series.value(0, 1);
    double sum = 0;
    for (const int r : rows)
        sum += std::max(0.0, t.rows.at(r).at(column).toDouble());
    int n = 0;
    for (const int r : rows) {
        const double v = t.rows.at(r).at(column).toDouble();
        if (v <= 0)
            continue;
        const QString label =
            QStringLiteral("%1 : %2 (%3)")
                .arg(t.rows.at(r).at(0).toString(), Figures::format(v, t.units.value(column)),
                     Numbers::percent(sum > 0 ? 100 * v / sum : 0.0));
        QPieSlice* slice = series->append(label, v);
        // A wine's colour in its own; any other colour hatched, as series are.
        const std::optional<QColor> wine = WineColours::of(t.rows.at(r).at(0).toString());
        slice->setBrush(wine ? QBrush(*wine) : seriesBrush(++n, palette));
        slice->setPen(QPen(palette.color(QPalette::Text), 1));
        // The labels of thin slices would print over each other: their figures are in the table.
        slice->setLabelVisible(sum > 0 && v / sum >= SmallestLabelled);
        slice->setLabelBrush(palette.text());
        slice->setLabelArmLengthFactor(0.1);
    }
    chart->addSeries(series);
}

void bars(QChart* chart, const Table& t, const QList<int>& rows, const QPalette& palette, int room) {
    const QStringList names = categories(t, rows);
    auto* series = new QHorizontalBarSeries;
    const int column = t.series.value(0, 1);
    auto* set = new QBarSet(t.headers.value(column));
    // The first row at the top.
    QStringList reversed;
    for (qsizetype i = rows.size() - 1; i >= 0; --i) {
        *set << t.rows.at(rows.at(i)).at(column).toDouble();
        const QString value =
            QStringLiteral(" — ") + Figures::format(t.rows.at(rows.at(i)).at(column), t.units.value(column));
        reversed << shortened(names.at(i), room - static_cast<int>(value.size())) + value;
    }
    set->setBrush(seriesBrush(0, palette));
    set->setPen(QPen(palette.color(QPalette::Text), 0.5));
    series->append(set);
    chart->addSeries(series);
    QBarCategoryAxis* axisY = categoryAxis(reversed, palette, false);
    QCategoryAxis* axisX = valueAxis(maxOf(t, rows, {column}), t.units.value(column), palette);
    chart->addAxis(axisY, Qt::AlignLeft);
    chart->addAxis(axisX, Qt::AlignBottom);
    series->attachAxis(axisY);
    series->attachAxis(axisX);
    chart->legend()->hide();
}

void groupedBars(QChart* chart, const Table& t, const QList<int>& rows, const QPalette& palette) {
    auto* series = new QBarSeries;
    int n = 0;
    for (const int column : t.series) {
        auto* set = new QBarSet(t.headers.value(column));
        for (const int r : rows)
            *set << t.rows.at(r).at(column).toDouble();
        set->setBrush(seriesBrush(n++, palette));
        set->setPen(QPen(palette.color(QPalette::Text), 0.5));
        series->append(set);
    }
    chart->addSeries(series);
    QBarCategoryAxis* axisX = categoryAxis(categories(t, rows), palette, true);
    QCategoryAxis* axisY = valueAxis(maxOf(t, rows, t.series), t.units.value(t.series.value(0)), palette);
    chart->addAxis(axisX, Qt::AlignBottom);
    chart->addAxis(axisY, Qt::AlignLeft);
    series->attachAxis(axisX);
    series->attachAxis(axisY);
}

void line(QChart* chart, const Table& t, const QList<int>& rows, const QPalette& palette) {
    const int column = t.series.value(0, 1);
    auto* series = new QLineSeries;
    series->setName(t.headers.value(column));
    auto* points = new QScatterSeries;
    points->setMarkerSize(7);
    int x = 0;
    double max = 0;
    for (const int r : rows) {
        const double v = t.rows.at(r).at(column).toDouble();
        series->append(x, v);
        points->append(x++, v);
        max = std::max(max, v);
    }
    series->setPen(QPen(palette.color(QPalette::Highlight), 2.5));
    points->setColor(palette.color(QPalette::Highlight));
    points->setBorderColor(palette.color(QPalette::Text));
    chart->addSeries(series);
    chart->addSeries(points);
    QBarCategoryAxis* axisX = categoryAxis(categories(t, rows), palette, true);
    QCategoryAxis* axisY = valueAxis(max, t.units.value(column), palette);
    chart->addAxis(axisX, Qt::AlignBottom);
    chart->addAxis(axisY, Qt::AlignLeft);
    for (QAbstractSeries* s :
         {static_cast<QAbstractSeries*>(series), static_cast<QAbstractSeries*>(points)}) {
        s->attachAxis(axisX);
        s->attachAxis(axisY);
    }
    chart->legend()->hide();
}

} // namespace

bool drawable(const Table& t) {
    const QList<int> columns =
        t.chart == Figures::Chart::GroupedBars ? t.series : QList<int>{t.series.value(0, 1)};
    for (const int r : drawnRows(t))
        for (const int c : columns) {
            // A slice needs a share above nothing; a bar or a point any figure but zero.
            const double v = t.rows.at(r).value(c).toDouble();
            if (v > 0 || (t.chart != Figures::Chart::Donut && v != 0))
                return true;
        }
    return false;
}

int labelRoom(double width, double character) {
    return static_cast<int>(width * 0.33 / std::max(1.0, character));
}

double height(const Table& t, double line) {
    // A bar a row, each as high as its name needs and a little apart.
    const double least = line * 18;
    if (t.chart == Figures::Chart::Donut)
        return least;
    if (t.chart != Figures::Chart::Bars) {
        // Upright names below the chart, and the chart's own height above them.
        const QStringList names = categories(t, drawnRows(t));
        qsizetype longest = 0;
        for (const QString& name : names)
            longest = std::max(longest, name.size());
        return least + (upright(names) ? line * 0.6 * static_cast<double>(longest) : 0);
    }
    return std::max(least, line * (1.7 * static_cast<double>(drawnRows(t).size()) + 7));
}

QString blankText(const Table& t) {
    return t.blank.isEmpty() ? QStringLiteral("Aucun chiffre à représenter.") : t.blank;
}

QBrush seriesBrush(int n, const QPalette& palette) {
    // Three colours of the palette and seven hatchings: twenty-one fills before one comes back.
    const QColor colours[] = {palette.color(QPalette::Highlight),
                              mix(palette.color(QPalette::Text), palette.color(QPalette::Base), 0.55),
                              mix(palette.color(QPalette::Link), palette.color(QPalette::Base), 0.8)};
    const Qt::BrushStyle styles[] = {Qt::SolidPattern,    Qt::BDiagPattern, Qt::CrossPattern,
                                     Qt::Dense4Pattern,   Qt::FDiagPattern, Qt::HorPattern,
                                     Qt::DiagCrossPattern};
    constexpr int Colours = 3;
    constexpr int Styles = 7;
    return QBrush(colours[n % Colours], styles[n % Styles]);
}

QPalette paper() {
    QPalette p;
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::Text, Qt::black);
    p.setColor(QPalette::WindowText, Qt::black);
    p.setColor(QPalette::Highlight, QColor(0x7b, 0x1e, 0x3a));
    p.setColor(QPalette::Link, QColor(0x1f, 0x4e, 0x9a));
    return p;
}

QChart* build(const Table& t, const QPalette& palette, int labelRoom) {
    auto* chart = new QChart;
    chart->setTitle(t.title);
    QFont titleFont = chart->titleFont();
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    chart->setTitleBrush(palette.text());
    chart->setBackgroundBrush(palette.base());
    chart->setBackgroundPen(Qt::NoPen);
    chart->setBackgroundRoundness(0);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setLabelColor(palette.color(QPalette::Text));
    chart->legend()->setAlignment(Qt::AlignBottom);
    const QList<int> rows = drawnRows(t);
    switch (t.chart) {
    case Figures::Chart::Donut:
        donut(chart, t, rows, palette);
        chart->legend()->hide();
        break;
    case Figures::Chart::Bars:
        bars(chart, t, rows, palette, labelRoom);
        break;
    case Figures::Chart::GroupedBars:
        groupedBars(chart, t, rows, palette);
        break;
    case Figures::Chart::Line:
        line(chart, t, rows, palette);
        break;
    }
    return chart;
}

} // namespace Charts
