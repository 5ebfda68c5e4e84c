// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/HelpService.h"

#include "ui/WindowTools.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

// The help's own window: Escape and Ctrl+W close it, as any reading window.
class HelpWindow : public QWidget {
public:
    explicit HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape ||
            (event->key() == Qt::Key_W && (event->modifiers() & Qt::ControlModifier))) {
            close();
            return;
        }
        QWidget::keyPressEvent(event);
    }
};

} // namespace

HelpService::HelpService(const QString& helpFile, QObject* parent) : QObject(parent), m_helpFile(helpFile) {
    qApp->installEventFilter(this);
}

QUrl HelpService::topicUrl(int topic) const {
    QUrl url = QUrl::fromLocalFile(m_helpFile);
    if (topic > 0)
        url.setFragment(QStringLiteral("sujet-%1").arg(topic));
    return url;
}

void HelpService::showHelp(QWidget* over) {
    QWidget* window = over ? over->window() : nullptr;
    m_lastShown = topicUrl(window ? WindowTools::helpTopic(window) : 0);
    // The help window belongs to the window it explains, so a modal working window does not block it.
    auto* help = new HelpWindow(window);
    help->setAttribute(Qt::WA_DeleteOnClose);
    help->setObjectName(QStringLiteral("FenetreAide"));
    help->setWindowTitle(QStringLiteral("Aide de Brovane"));
    auto* browser = new QTextBrowser(help);
    browser->setObjectName(QStringLiteral("TexteAide"));
    browser->setOpenExternalLinks(true);
    if (QFileInfo::exists(m_helpFile)) {
        browser->setSource(QUrl::fromLocalFile(m_helpFile), QTextDocument::HtmlResource);
        if (m_lastShown.hasFragment())
            browser->scrollToAnchor(m_lastShown.fragment());
    } else {
        browser->setPlainText(QStringLiteral("Le fichier d'aide « %1 » est introuvable.").arg(m_helpFile));
    }
    auto* layout = new QVBoxLayout(help);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    // On the screen of the window it explains, whole.
    const QScreen* screen = window && window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 640, 520);
    help->resize(std::min(640, area.width()), std::min(520, area.height()));
    help->move(area.x() + (area.width() - help->width()) / 2,
               area.y() + (area.height() - help->height()) / 2);
    help->show();
}

void HelpService::pressF1(QWidget* fallback) {
    QWidget* target = QApplication::activeWindow() ? QApplication::activeWindow() : fallback;
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier));
}

bool HelpService::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
        watched->isWidgetType()) {
        showHelp(static_cast<QWidget*>(watched));
        return true;
    }
    return false;
}
