// SPDX-License-Identifier: GPL-3.0-or-later
// Every window at the usual desktop font and at 14 points (and, run again by CTest, at 200 % scale):
// every label's and button's text fits its rectangle, no control overlaps another, and a screenshot of
// each is kept in the build folder for whoever wants to look.
#include "about/Apropos.h"
#include "configuration/Config.h"
#include "configuration/RestaurerSauvegarde.h"
#include "consumption/Consommation.h"
#include "history/Historique.h"
#include "legacy/ImportBase.h"
#include "purchases/Correction.h"
#include "purchases/Saisie.h"
#include "shell/Principale.h"
#include "statistics/Statistiques.h"
#include "support/TestCellar.h"
#include "view/Visualisation.h"

#include <QAbstractButton>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QTabBar>
#include <QTest>

namespace {

QString plain(QString text) {
    return text.remove(QRegularExpression("&(?!&)"));
}

// What of the widget's own text does not fit it, or which sibling it overlaps; empty when all is well.
QStringList problems(QWidget* window) {
    QStringList found;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->width() == 0)
            continue;
        const QFontMetrics metrics(w->font());
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap() && !label->text().isEmpty()) {
            for (const QString& line : plain(label->text()).split('\n'))
                if (metrics.horizontalAdvance(line) > label->contentsRect().width() + 1)
                    found << QString("label %1 « %2 » is cut").arg(label->objectName(), line);
            if (metrics.height() > label->contentsRect().height() + 1)
                found << QString("label %1 is too low").arg(label->objectName());
        }
        if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->text().isEmpty())
            if (button->width() < button->sizeHint().width() ||
                button->height() < button->sizeHint().height())
                found << QString("button %1 « %2 » is cut").arg(button->objectName(), plain(button->text()));
        if (auto* box = qobject_cast<QGroupBox*>(w))
            if (box->width() < box->minimumSizeHint().width())
                found << QString("frame %1 « %2 » is cut").arg(box->objectName(), plain(box->title()));
        if (auto* tabs = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->tabRect(i).width() < metrics.horizontalAdvance(plain(tabs->tabText(i))))
                    found << QString("tab « %1 » is cut").arg(tabs->tabText(i));
    }
    // Controls side by side in one layout never cover each other.
    QList<QWidget*> parents = window->findChildren<QWidget*>();
    parents << window;
    for (QWidget* parent : parents) {
        QList<QWidget*> controls;
        for (QObject* child : parent->children())
            if (auto* w = qobject_cast<QWidget*>(child);
                w && !w->isWindow() && w->isVisibleTo(window) &&
                (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
                 w->focusPolicy() != Qt::NoFocus))
                controls << w;
        for (qsizetype i = 0; i < controls.size(); ++i)
            for (qsizetype j = i + 1; j < controls.size(); ++j)
                if (controls.at(i)->geometry().intersects(controls.at(j)->geometry()))
                    found << QString("%1 overlaps %2")
                                 .arg(controls.at(i)->objectName(), controls.at(j)->objectName());
    }
    return found;
}

} // namespace

class TestFit : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useFrenchLocale(); }
    void everyWindowFits_data();
    void everyWindowFits();
};

void TestFit::everyWindowFits_data() {
    QTest::addColumn<double>("points");
    QTest::newRow("usual font") << 0.0;
    QTest::newRow("14 points") << 14.0;
}

void TestFit::everyWindowFits() {
    QFETCH(double, points);
    const QFont usual = QApplication::font();
    if (points > 0) {
        QFont large = usual;
        large.setPointSizeF(points);
        QApplication::setFont(large);
    }
    TestCellar cellar;
    cellar.addLot("Château Margaux", "Bordeaux supérieur", 1998, "Rouge", 12, 12.5);
    const QString shots = QStringLiteral(BROVANE_SCREENSHOTS);
    QDir().mkpath(shots);
    const QString scale = QString::number(
        qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qgetenv("QT_SCALE_FACTOR").toDouble() * 100 : 100);
    const auto check = [&](QWidget& window, const char* name) {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.grab().save(
            QString("%1/%2-%3pt-%4.png")
                .arg(shots, name, QString::number(points > 0 ? points : usual.pointSizeF()), scale));
        const QStringList found = problems(&window);
        QVERIFY2(found.isEmpty(), qPrintable(QString(name) + ": " + found.join("; ")));
        window.close();
    };
    {
        Principale main(cellar.globals, {});
        check(main, "Principale");
    }
    {
        Saisie window(cellar.globals, cellar.services);
        check(window, "Saisie");
    }
    {
        Consommation window(cellar.globals, cellar.services);
        check(window, "Consommation");
    }
    {
        Visualisation window(cellar.globals, cellar.services);
        check(window, "Visualisation");
    }
    {
        Config window(cellar.globals, cellar.services);
        check(window, "Config");
    }
    {
        RestaurerSauvegarde window(cellar.globals, cellar.services);
        check(window, "RestaurerSauvegarde");
    }
    {
        Historique window(cellar.globals, cellar.services);
        check(window, "Historique");
    }
    {
        Statistiques window(cellar.globals, cellar.services);
        check(window, "Statistiques");
    }
    {
        const qint64 lot = cellar.rows("SELECT MIN(rowid) FROM ORNY").front().front().toLongLong();
        Correction window(cellar.globals, cellar.services, lot);
        check(window, "Correction");
    }
    {
        ImportBase window(cellar.globals, cellar.services);
        check(window, "ImportBase");
    }
    {
        Apropos window(cellar.globals, cellar.services);
        auto* tabs = window.findChild<QTabWidget*>("Onglet");
        for (int tab = 0; tab < tabs->count(); ++tab) {
            tabs->setCurrentIndex(tab);
            check(window, qPrintable(QString("Apropos%1").arg(tab + 1)));
        }
    }
    QCOMPARE(cellar.messageCount(), 0);
    QApplication::setFont(usual);
}

QTEST_MAIN(TestFit)
#include "tst_fit.moc"
