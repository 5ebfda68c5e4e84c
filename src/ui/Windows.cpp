// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Windows.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>

namespace Windows {

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

} // namespace Windows

#include <QComboBox>

static void initBrovaneResources() {
    Q_INIT_RESOURCE(brovane);
}

void Windows::loadResources() {
    initBrovaneResources();
}

void Windows::fillList(QComboBox* list, const QStringList& values) {
    list->addItems(values);
    list->setCurrentIndex(-1);
}
