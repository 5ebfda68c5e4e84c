// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WindowTools.h"

#include <QColor>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStyle>
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
// How wide a list may be, in characters; and the entries longer than that, which get a tooltip.
constexpr int ListCharacters = 40;

QRect availableArea(const QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1366, 768);
}

// The frame the window manager adds is not known before the window shows: room is kept for a title bar
// and borders.
QSize frameAllowance(const QWidget* window) {
    return QSize(8, window->style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8);
}
} // namespace

void placeOnScreen(QWidget* window, bool centre) {
    const QRect area = availableArea(window);
    const QSize room = area.size() - frameAllowance(window);
    if (window->width() > room.width() || window->height() > room.height())
        window->resize(window->size().boundedTo(room).expandedTo(window->minimumSize()));
    QRect place = window->geometry();
    if (centre) {
        const QWidget* parent = window->parentWidget() ? window->parentWidget()->window() : nullptr;
        const QRect over = parent && parent->isVisible() ? parent->frameGeometry() : area;
        place.moveCenter(over.center());
    }
    const QSize frame = frameAllowance(window);
    place.moveLeft(std::clamp(place.left(), area.left(),
                              std::max(area.left(), area.right() - place.width() - frame.width())));
    place.moveTop(std::clamp(place.top(), area.top(),
                             std::max(area.top(), area.bottom() - place.height() - frame.height())));
    window->move(place.topLeft());
}

bool restorePlace(QWidget* window, const QString& settingsFile, const QString& key) {
    const QSettings settings(settingsFile, QSettings::IniFormat);
    const QByteArray kept = settings.value(key).toByteArray();
    return !kept.isEmpty() && window->restoreGeometry(kept);
}

void savePlace(const QWidget* window, const QString& settingsFile, const QString& key) {
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.setValue(key, window->saveGeometry());
}

void fitToScreen(QWidget* window, const QSize& wanted) {
    const QRect area = availableArea(window);
    window->resize(wanted.boundedTo(area.size() - frameAllowance(window)));
    window->move(area.topLeft());
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

QColor readableOn(const QColor& wanted, const QColor& background, double ratio) {
    // Lighter on a dark background, darker on a light one, keeping the hue.
    const bool lighten = luminance(background) < 0.2;
    QColor colour = wanted.toHsl();
    for (int step = 0; step < 100 && contrast(colour, background) < ratio; ++step) {
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

int widthForTitle(const QWidget* window) {
    // Title bars write in bold, and keep room for an icon and three buttons.
    QFont bold = window->font();
    bold.setBold(true);
    const int button = std::max(window->style()->pixelMetric(QStyle::PM_TitleBarHeight), 24);
    return QFontMetrics(bold).horizontalAdvance(window->windowTitle()) + 5 * button;
}

void roomForTitle(QWidget* window) {
    window->setMinimumWidth(std::max(window->minimumWidth(), widthForTitle(window)));
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

#include <QAbstractItemView>
#include <QComboBox>
#include <QHelpEvent>
#include <QToolTip>

static void initBrovaneResources() {
    Q_INIT_RESOURCE(brovane);
}

void WindowTools::loadResources() {
    initBrovaneResources();
}

void WindowTools::fillList(QComboBox* list, const QStringList& values) {
    const int first = list->count();
    list->addItems(values);
    for (qsizetype i = 0; i < values.size(); ++i)
        if (values.at(i).size() > ListCharacters)
            list->setItemData(first + static_cast<int>(i), values.at(i), Qt::ToolTipRole);
    list->setCurrentIndex(-1);
}

void WindowTools::elideLongEntries(QComboBox* list) {
    const QFontMetrics metrics = list->fontMetrics();
    const int most = metrics.horizontalAdvance(QLatin1Char('n')) * ListCharacters + metrics.height() * 2;
    if (list->maximumWidth() > most)
        list->setMaximumWidth(std::max(most, list->minimumWidth()));
    list->view()->setTextElideMode(Qt::ElideRight);
    QObject::connect(list, &QComboBox::currentTextChanged, list, [list](const QString& text) {
        list->setToolTip(list->fontMetrics().horizontalAdvance(text) >
                                 list->width() - list->fontMetrics().height()
                             ? text
                             : QString());
    });
}

namespace {
// Shows the whole text of a cut cell when the mouse rests on it.
class LongCellTips : public QObject {
public:
    explicit LongCellTips(QAbstractItemView* view) : QObject(view), m_view(view) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::ToolTip)
            return false;
        const QPoint at = static_cast<QHelpEvent*>(event)->pos();
        const QModelIndex index = m_view->indexAt(at);
        const QString text = index.data().toString();
        const QRect cell = m_view->visualRect(index);
        if (index.isValid() && m_view->fontMetrics().horizontalAdvance(text) > cell.width() - 6) {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, m_view->viewport(), cell);
            return true;
        }
        QToolTip::hideText();
        return false;
    }

private:
    QAbstractItemView* m_view;
};
} // namespace

void WindowTools::tipLongCells(QAbstractItemView* view) {
    if (!view->findChild<LongCellTips*>(QString(), Qt::FindDirectChildrenOnly))
        view->viewport()->installEventFilter(new LongCellTips(view));
}
