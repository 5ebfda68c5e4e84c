// SPDX-License-Identifier: GPL-3.0-or-later
// Every window's access keys: no letter reaches two controls of one window, nor two entries of one menu,
// but for the clashes the program inherits from its earlier versions, listed here.
#include "about/Apropos.h"
#include "configuration/Config.h"
#include "configuration/RestaurerSauvegarde.h"
#include "consumption/Consommation.h"
#include "history/Historique.h"
#include "legacy/ImportBase.h"
#include "purchases/Correction.h"
#include "purchases/Saisie.h"
#include "shell/Principale.h"
#include "support/TestCellar.h"
#include "ui/WorkingWindow.h"
#include "view/Visualisation.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStringListModel>
#include <QTabBar>
#include <QTest>
#include <QThread>

namespace {

// The letter after a single "&", in capitals; none when the text has no access key.
QChar accessKey(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != u'&')
            continue;
        if (text.at(i + 1) == u'&') {
            ++i;
            continue;
        }
        return text.at(i + 1).toUpper();
    }
    return {};
}

// Each letter used twice among the texts, as "A: Année, A partir de".
QStringList clashes(const QList<QString>& texts) {
    QMap<QChar, QStringList> byKey;
    for (const QString& text : texts)
        if (const QChar key = accessKey(text); !key.isNull())
            byKey[key] << QString(text).remove(u'&');
    QStringList found;
    for (auto it = byKey.cbegin(); it != byKey.cend(); ++it)
        if (it.value().size() > 1)
            found << QString(it.key()) + ": " + it.value().join(", ");
    return found;
}

// The texts whose access keys a window answers to: its buttons, labels, frames and tabs as shown.
QStringList windowTexts(QWidget& window) {
    QStringList texts;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window))
            continue;
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            texts << button->text();
        else if (auto* label = qobject_cast<QLabel*>(w))
            texts << label->text();
        else if (auto* box = qobject_cast<QGroupBox*>(w))
            texts << box->title();
        else if (auto* tabs = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
    }
    return texts;
}

// The clashes of a window, and of each of its menus.
QStringList clashesOf(QWidget& window) {
    window.show();
    QStringList found = clashes(windowTexts(window));
    for (QMenuBar* bar : window.findChildren<QMenuBar*>()) {
        QStringList entries;
        for (QAction* entry : bar->actions())
            entries << entry->text();
        found << clashes(entries);
    }
    for (QMenu* menu : window.findChildren<QMenu*>()) {
        QStringList entries;
        for (QAction* entry : menu->actions())
            entries << entry->text();
        for (const QString& clash : clashes(entries))
            found << menu->title().remove(u'&') + " — " + clash;
    }
    window.close();
    return found;
}

// The clashes of a window made for the purpose.
template <class Window, class... Arguments> QStringList clashesIn(Arguments&&... arguments) {
    Window window(std::forward<Arguments>(arguments)...);
    return clashesOf(window);
}

} // namespace

class TestAccessKeys : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useFrenchLocale(); }
    void noWindowHasTwoControlsOnOneKey();
    void lettersAddUpOnASlowList();
};

void TestAccessKeys::noWindowHasTwoControlsOnOneKey() {
    TestCellar cellar;
    cellar.addLot("Château Margaux", "Bordeaux", 1998, "Rouge", 12, 12.5);
    const qint64 lot = cellar.rows("SELECT MIN(rowid) FROM ORNY").front().front().toLongLong();
    Globals& g = cellar.globals;
    Services& s = cellar.services;
    QMap<QString, QStringList> found;
    found["Principale"] = clashesIn<Principale>(g, MenuActions{});
    found["Saisie"] = clashesIn<Saisie>(g, s);
    found["Correction"] = clashesIn<Correction>(g, s, lot);
    found["Consommation"] = clashesIn<Consommation>(g, s);
    found["Visualisation"] = clashesIn<Visualisation>(g, s);
    found["Config"] = clashesIn<Config>(g, s);
    found["RestaurerSauvegarde"] = clashesIn<RestaurerSauvegarde>(g, s);
    found["Historique"] = clashesIn<Historique>(g, s);
    found["ImportBase"] = clashesIn<ImportBase>(g, s);
    found["Apropos"] = clashesIn<Apropos>(g, s);
    // The view's buttons and the file menu carry the captions of the earlier versions, with these letters
    // shared among them.
    QMap<QString, QStringList> inherited;
    inherited["Visualisation"] = QStringList{"A: Année, A partir de", "R: Rouge, Rosé"};
    inherited["Principale"] = QStringList{"Fichier — I: Imprimer, Import"};
    for (auto it = found.cbegin(); it != found.cend(); ++it)
        QVERIFY2(it.value() == inherited.value(it.key()),
                 qPrintable(it.key() + ": " + it.value().join("; ")));
    QCOMPARE(cellar.messageCount(), 0);
}

namespace {

// A list whose every entry takes a while to read, as a list of hundreds of thousands of wines takes to
// search.
class SlowNames : public QStringListModel {
public:
    using QStringListModel::QStringListModel;
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole)
            QThread::msleep(5);
        return QStringListModel::data(index, role);
    }
};

class Window : public WorkingWindow {
public:
    Window() : WorkingWindow(nullptr) {}
};

} // namespace

void TestAccessKeys::lettersAddUpOnASlowList() {
    // Each letter's search outlasts the keyboard's interval: letters typed meanwhile still add up, instead of
    // each starting afresh and ending on the wrong wine.
    QStringList names;
    for (int i = 0; i < 400; ++i)
        names << QString("Cuvee %1").arg(i);
    names.sort();
    Window window;
    auto* list = new QComboBox(&window);
    auto* model = new SlowNames(names, list);
    list->setModel(model);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    list->setFocus();
    QTest::keyClicks(list, "Cuvee 399");
    QCOMPARE(list->currentText(), QString("Cuvee 399"));
    // A pause longer than the interval starts a new search.
    QTest::qWait(QApplication::keyboardInputInterval() + 100);
    QTest::keyClicks(list, "Cuvee 12");
    QCOMPARE(list->currentText(), QString("Cuvee 12"));
}

QTEST_MAIN(TestAccessKeys)
#include "tst_access_keys.moc"
