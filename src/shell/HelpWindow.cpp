// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/HelpWindow.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QVBoxLayout>

HelpWindow::HelpWindow(const QString& helpFile, const QUrl& topic, QWidget* parent)
    : QWidget(parent, Qt::Window), m_text(new QTextBrowser(this)), m_contents(new QListWidget(this)),
      m_find(new QLineEdit(this)), m_missing(new QLabel(this)) {
    setObjectName(QStringLiteral("FenetreAide"));
    setWindowTitle(QStringLiteral("Aide de Brovane"));
    m_text->setObjectName(QStringLiteral("TexteAide"));
    m_text->setOpenExternalLinks(true);
    m_contents->setObjectName(QStringLiteral("Sommaire"));
    m_find->setObjectName(QStringLiteral("RechercheAide"));
    m_find->setPlaceholderText(QStringLiteral("Mot à chercher, puis Entrée"));
    m_find->setClearButtonEnabled(true);

    auto* previous = new QPushButton(QStringLiteral("&Précédent"), this);
    auto* next = new QPushButton(QStringLiteral("&Suivant"), this);
    previous->setObjectName(QStringLiteral("Precedent"));
    next->setObjectName(QStringLiteral("Suivant"));
    previous->setEnabled(false);
    next->setEnabled(false);
    auto* label = new QLabel(QStringLiteral("Che&rcher :"), this);
    label->setBuddy(m_find);
    auto* bar = new QHBoxLayout;
    bar->addWidget(previous);
    bar->addWidget(next);
    bar->addStretch();
    bar->addWidget(label);
    bar->addWidget(m_find, 1);
    bar->addWidget(m_missing);

    // Room to read: the text away from the window's edges.
    m_text->document()->setDocumentMargin(fontMetrics().height() * 1.5);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(m_contents);
    split->addWidget(m_text);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(split, 1);

    connect(previous, &QPushButton::clicked, m_text, &QTextBrowser::backward);
    connect(next, &QPushButton::clicked, m_text, &QTextBrowser::forward);
    connect(m_text, &QTextBrowser::backwardAvailable, previous, &QPushButton::setEnabled);
    connect(m_text, &QTextBrowser::forwardAvailable, next, &QPushButton::setEnabled);
    connect(m_contents, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { m_text->setSource(item->data(Qt::UserRole).toUrl()); });
    connect(m_contents, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { m_text->setSource(item->data(Qt::UserRole).toUrl()); });
    connect(m_find, &QLineEdit::returnPressed, this,
            [this] { find(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier); });
    auto* findKey = new QShortcut(QKeySequence::Find, this);
    connect(findKey, &QShortcut::activated, this, [this] {
        m_find->setFocus();
        m_find->selectAll();
    });

    if (QFileInfo::exists(helpFile)) {
        m_text->setSource(QUrl::fromLocalFile(helpFile), QTextDocument::HtmlResource);
        fillContents();
        if (topic.hasFragment())
            m_text->setSource(topic);
    } else {
        m_text->setPlainText(QStringLiteral("Le fichier d'aide « %1 » est introuvable.").arg(helpFile));
    }
    m_contents->setMaximumWidth(fontMetrics().averageCharWidth() * 40);
}

void HelpWindow::fillContents() {
    // One entry a topic: each heading that names its anchor.
    const QUrl file = m_text->source().adjusted(QUrl::RemoveFragment);
    for (QTextBlock block = m_text->document()->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() != 2)
            continue;
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QStringList anchors = fragment.fragment().charFormat().anchorNames();
            if (anchors.isEmpty())
                continue;
            QUrl target = file;
            target.setFragment(anchors.first());
            auto* item = new QListWidgetItem(block.text().trimmed(), m_contents);
            item->setData(Qt::UserRole, target);
            break;
        }
    }
}

void HelpWindow::find(bool backwards) {
    const QString word = m_find->text();
    if (word.isEmpty())
        return;
    const QTextDocument::FindFlags flags =
        backwards ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    m_missing->clear();
    if (m_text->find(word, flags))
        return;
    // From the other end, once past the last.
    QTextCursor cursor = m_text->textCursor();
    cursor.movePosition(backwards ? QTextCursor::End : QTextCursor::Start);
    m_text->setTextCursor(cursor);
    m_missing->setText(m_text->find(word, flags) ? QString()
                                                 : QStringLiteral("« %1 » n'est pas dans l'aide.").arg(word));
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape ||
        (event->key() == Qt::Key_W && (event->modifiers() & Qt::ControlModifier))) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
