// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Appearance.h"

#include "ui/WindowTools.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>

namespace Appearance {

namespace {

// The focus is drawn whatever moved it: the styles draw it only after a key moved it, and the working
// windows move it themselves when Enter goes from field to field.
class FocusAlwaysShown : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        QProxyStyle::drawPrimitive(element, shown(option).get(), painter, widget);
        // A list or a tree draws its focus on its current entry only, hidden under the selection's colour
        // or missing when it has none: its frame shows it instead.
        if (element == PE_Frame && option && (option->state & State_HasFocus) &&
            qobject_cast<const QAbstractItemView*>(widget)) {
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing, false);
            painter->setPen(option->palette.color(QPalette::Highlight));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
            painter->restore();
        }
    }
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        QProxyStyle::drawControl(element, shown(option).get(), painter, widget);
    }
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override {
        if (option && (option->state & State_HasFocus) && !(option->state & State_KeyboardFocusChange)) {
            // A complex option is copied through its own type by the style: only the flag changes here.
            auto* changed = const_cast<QStyleOptionComplex*>(option);
            changed->state |= State_KeyboardFocusChange;
            QProxyStyle::drawComplexControl(control, changed, painter, widget);
            changed->state &= ~State_KeyboardFocusChange;
            return;
        }
        QProxyStyle::drawComplexControl(control, option, painter, widget);
    }

private:
    struct Shown {
        const QStyleOption* original;
        bool changed;
        const QStyleOption* get() const { return original; }
        ~Shown() {
            if (changed)
                const_cast<QStyleOption*>(original)->state &= ~State_KeyboardFocusChange;
        }
    };
    static Shown shown(const QStyleOption* option) {
        if (!option || !(option->state & State_HasFocus) || (option->state & State_KeyboardFocusChange))
            return {option, false};
        const_cast<QStyleOption*>(option)->state |= State_KeyboardFocusChange;
        return {option, true};
    }
};

// Keeps the palette readable when the desktop changes it.
class PaletteWatch : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange && !m_adjusting) {
            const QPalette wanted = readable(QApplication::palette());
            if (wanted != QApplication::palette()) {
                m_adjusting = true;
                QApplication::setPalette(wanted);
                m_adjusting = false;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_adjusting = false;
};

} // namespace

bool isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

QPalette readable(QPalette palette) {
    // Each text role on the backgrounds it is drawn on.
    const std::pair<QPalette::ColorRole, QPalette::ColorRole> pairs[] = {
        {QPalette::WindowText, QPalette::Window},       {QPalette::Text, QPalette::Base},
        {QPalette::ButtonText, QPalette::Button},       {QPalette::HighlightedText, QPalette::Highlight},
        {QPalette::ToolTipText, QPalette::ToolTipBase}, {QPalette::PlaceholderText, QPalette::Base}};
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        for (const auto& [text, background] : pairs) {
            const QColor b = palette.color(group, background);
            const QColor t = palette.color(group, text);
            if (WindowTools::contrast(t, b) < 4.5)
                palette.setColor(group, text, WindowTools::readableOn(t, b));
        }
    return palette;
}

void install(QApplication& app) {
    if (!dynamic_cast<FocusAlwaysShown*>(app.style()))
        app.setStyle(new FocusAlwaysShown(app.style()->name()));
    QApplication::setPalette(readable(QApplication::palette()));
    static PaletteWatch* watch = nullptr;
    if (!watch) {
        watch = new PaletteWatch(&app);
        app.installEventFilter(watch);
    }
}

} // namespace Appearance
