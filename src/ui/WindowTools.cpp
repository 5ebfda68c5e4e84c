// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WindowTools.h"

#include <QColor>
#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <cmath>

namespace WindowTools {

namespace {
constexpr const char* HelpTopicProperty = "brovaneHelpTopic";
}

void centreHorizontally(QWidget* frame, QWidget* window) {
    frame->move((window->width() - frame->width()) / 2, frame->y());
}

void centreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window->move(area.x() + (area.width() - window->width()) / 2,
                 area.y() + (area.height() - window->height()) / 2);
}

namespace {
double luminance(const QColor& colour) {
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}
} // namespace

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor& wanted, const QColor& background) {
    // Lighter on a dark background, darker on a light one, keeping the hue.
    const bool lighten = luminance(background) < 0.2;
    QColor colour = wanted.toHsl();
    for (int step = 0; step < 100 && contrast(colour, background) < 4.5; ++step) {
        const int l = colour.lightness() + (lighten ? 6 : -6);
        colour.setHsl(colour.hslHue(), colour.hslSaturation(), std::clamp(l, 0, 255));
    }
    return colour.toRgb();
}

void fitCharacters(QWidget* field, int characters) {
    const QFontMetrics metrics = field->fontMetrics();
    // Room for the frame, and for the arrow of a list.
    const int frame = metrics.height() * (field->inherits("QComboBox") ? 2 : 1);
    field->setMinimumWidth(metrics.horizontalAdvance(QLatin1Char('n')) * characters + frame);
}

void setHelpTopic(QWidget* window, int topic) {
    window->setProperty(HelpTopicProperty, topic);
}

int helpTopic(const QWidget* window) {
    for (const QWidget* w = window; w; w = w->parentWidget()) {
        const QVariant v = w->property(HelpTopicProperty);
        if (v.isValid())
            return v.toInt();
    }
    return 0;
}

} // namespace WindowTools

#include <QComboBox>

static void initBrovaneResources() {
    Q_INIT_RESOURCE(brovane);
}

void WindowTools::loadResources() {
    initBrovaneResources();
}

void WindowTools::fillList(QComboBox* list, const QStringList& values) {
    list->addItems(values);
    list->setCurrentIndex(-1);
}
