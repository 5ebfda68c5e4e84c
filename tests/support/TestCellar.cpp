// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestCellar.h"

#include "database/DataLink.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>

TestCellar::TestCellar() {
    const QString program = folder();
    if (!QFile::copy(QStringLiteral(BROVANE_DELIVERED_DATABASE), program + QStringLiteral("Orny02.dat")))
        qFatal("cannot copy the delivered database");
    QFile::setPermissions(program + QStringLiteral("Orny02.dat"), QFile::ReadOwner | QFile::WriteOwner);
    globals.CheminAppli = program;
    globals.CheminBase = program;
    globals.settingsFolder = program;
    globals.helpFile = program + QStringLiteral("Orny.hlp");
    globals.VersionAppli = QStringLiteral("1.3");
    globals.DateCompilation = QStringLiteral("06/04/2000 à 14:05");
    services.setScripted(true);
}

void TestCellar::exec(const QString& sql, const QVariantList& params) {
    DataLink link(databasePath());
    if (DbStatus error = link.execute(sql, params))
        qFatal("%s", qPrintable(error->text()));
}

void TestCellar::addLot(const QString& nom, const QString& type, int annee, const QString& couleur,
                        int quantite, const QVariant& prix) {
    exec(QStringLiteral("INSERT INTO ORNY VALUES (?1, ?2, ?3, ?4, ?5, ?6)"),
         {nom, type, annee, couleur, quantite, prix});
}

std::vector<DbRow> TestCellar::rows(const QString& sql, const QVariantList& params) {
    DataLink link(databasePath());
    DbRows result = link.query(sql, params);
    if (!result.ok())
        qFatal("%s", qPrintable(result.error->text()));
    return result.rows;
}

int TestCellar::lotCount() {
    return rows(QStringLiteral("SELECT COUNT(*) FROM ORNY")).front().front().toInt();
}

QStringList TestCellar::lots() {
    QStringList out;
    for (const DbRow& row : rows(QStringLiteral("SELECT * FROM ORNY ORDER BY rowid"))) {
        QStringList fields;
        for (const QVariant& v : row)
            fields << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        out << fields.join(QLatin1Char('|'));
    }
    return out;
}

const MessageBox::Shown& TestCellar::lastMessage() const {
    if (services.messages.shown().isEmpty())
        qFatal("no message was shown");
    return services.messages.shown().constLast();
}

void useFrenchLocale() {
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, c.unicode() < 128 ? QChar(c).toUpper().unicode() : 0,
                        Qt::NoModifier, c);
        QKeyEvent release(QEvent::KeyRelease, c.unicode() < 128 ? QChar(c).toUpper().unicode() : 0,
                          Qt::NoModifier, c);
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

QStringList itemsOf(const QComboBox* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->itemText(i);
    return out;
}

QString focusName() {
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
}
