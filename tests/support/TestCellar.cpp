// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestCellar.h"

#include "database/DataLink.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <sqlite3.h>

TestCellar::TestCellar() {
    const QString program = folder();
    if (!QFile::copy(QStringLiteral(BROVANE_DELIVERED_DATABASE), program + QStringLiteral("Orny02.dat")))
        qFatal("cannot copy the delivered database");
    QFile::setPermissions(program + QStringLiteral("Orny02.dat"), QFile::ReadOwner | QFile::WriteOwner);
    QFile::link(QStringLiteral(BROVANE_PROGRAM_DIR "/brovane-lecteur-jet"), jetHelper());
    globals.CheminAppli = program;
    globals.CheminBase = program;
    globals.settingsFolder = program;
    globals.helpFile = program + QStringLiteral("Orny.hlp");
    globals.VersionAppli = QStringLiteral("1.3");
    globals.DateCompilation = QStringLiteral("06/04/2000 à 14:05");
    services.setScripted(true);
}

void TestCellar::exec(const QString& sql, const QVariantList& params) {
    // Straight to the engine, so that a test can make any cellar, hostile ones included.
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(databasePath().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        qFatal("cannot open %s", qPrintable(databasePath()));
    if (params.isEmpty()) {
        if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            qFatal("%s", sqlite3_errmsg(db));
        sqlite3_close(db);
        return;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        qFatal("%s", sqlite3_errmsg(db));
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params.at(i);
        if (v.isNull())
            sqlite3_bind_null(statement, i + 1);
        else if (v.typeId() == QMetaType::Double)
            sqlite3_bind_double(statement, i + 1, v.toDouble());
        else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong)
            sqlite3_bind_int64(statement, i + 1, v.toLongLong());
        else
            sqlite3_bind_text(statement, i + 1, v.toString().toUtf8().constData(), -1, SQLITE_TRANSIENT);
    }
    if (sqlite3_step(statement) != SQLITE_DONE)
        qFatal("%s", sqlite3_errmsg(db));
    sqlite3_finalize(statement);
    sqlite3_close(db);
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

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList filesIn(const QString& folder) {
    QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    files.removeOne(QStringLiteral("brovane-lecteur-jet"));
    return files;
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
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

void pressAccessKey(QWidget* widget, Qt::Key letter) {
    // An access key reaches only the active window: after a message box closes, the window it covered
    // becomes active again a moment later, and a key pressed before that is lost on a loaded machine.
    if (widget->isVisible() && !widget->window()->isActiveWindow())
        (void)QTest::qWaitForWindowActive(widget->window(), 2000);
    // The button the letter presses, if it is one: its click comes after a short visible push, a timer
    // that a loaded machine may run late, so the wait is for the click itself.
    QAbstractButton* button = nullptr;
    const QString mnemonic = QLatin1Char('&') + QChar(letter).toLower();
    for (QAbstractButton* b : widget->window()->findChildren<QAbstractButton*>())
        if (b->isVisible() && b->isEnabled() && b->text().toLower().contains(mnemonic))
            button = b;
    if (!button) {
        QTest::keyClick(widget, letter, Qt::AltModifier);
        QTest::qWait(150);
        return;
    }
    bool clicked = false;
    const QMetaObject::Connection noted =
        QObject::connect(button, &QAbstractButton::clicked, button, [&clicked] { clicked = true; });
    QTest::keyClick(widget, letter, Qt::AltModifier);
    // The click may open a modal window, whose own loop runs the test on: then `clicked` is set inside it.
    (void)QTest::qWaitFor([&clicked] { return clicked; }, 5000);
    QObject::disconnect(noted);
}

void chooseInList(QComboBox* list, const QString& entry) {
    const int wanted = list->findText(entry, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (wanted < 0)
        qFatal("no entry %s in %s", qPrintable(entry), qPrintable(list->objectName()));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
    QAbstractItemView* popup = list->view();
    if (!QTest::qWaitFor([popup] { return popup->isVisible(); }))
        qFatal("the list %s did not open", qPrintable(list->objectName()));
    while (popup->currentIndex().row() < wanted)
        QTest::keyClick(popup, Qt::Key_Down);
    while (popup->currentIndex().row() > wanted)
        QTest::keyClick(popup, Qt::Key_Up);
    QTest::keyClick(popup, Qt::Key_Return);
    if (list->currentText() != entry)
        qFatal("could not choose %s in %s", qPrintable(entry), qPrintable(list->objectName()));
}

void chooseInList(QWidget* window, const char* list, const QString& entry) {
    auto* found = window->findChild<QComboBox*>(list);
    if (!found)
        qFatal("no list %s", list);
    chooseInList(found, entry);
}

void typeOver(QWidget* field, const QString& text) {
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    else
        typeText(field, text);
}

void pasteOver(QWidget* field, const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
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

void whenModal(const std::function<void(QDialog*)>& act) {
    auto* poll = new QTimer(qApp);
    QWidget* before = QApplication::activeModalWidget();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, before, act] {
        auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        // Keys reach a window's shortcuts only once it is active: on a loaded machine that comes a while
        // after it shows.
        if (!window || window == before || !window->isVisible() || !window->isActiveWindow())
            return;
        poll->stop();
        poll->deleteLater();
        act(window);
    });
    poll->start(10);
}

void addCancelKeyRows() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Échap") << int(Qt::Key_Escape) << int(Qt::NoModifier);
    QTest::newRow("Alt+A, le bouton Annuler") << int(Qt::Key_A) << int(Qt::AltModifier);
}

void cancelProgressWhenShown(int key, int modifiers, QString& label) {
    whenModal([key, modifiers, &label](QDialog* progress) {
        QVERIFY(qobject_cast<QProgressDialog*>(progress));
        label = progress->findChild<QLabel*>()->text();
        QTest::keyClick(progress, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    });
}

QStringList modelRows(QAbstractItemModel* model) {
    while (model->canFetchMore({}))
        model->fetchMore({});
    QStringList rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->data(model->index(r, c), Qt::DisplayRole).toString();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}
