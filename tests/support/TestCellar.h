// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/CellarQueries.h"
#include "globals/Globals.h"
#include "ui/MessageBox.h"
#include "ui/Services.h"

#include <QTemporaryDir>
#include <QTest>
#include <functional>

// A temporary program folder holding a fresh copy of the delivered cellar, the globals pointing at it,
// and scripted message boxes, so that a test never touches a real cellar.
class TestCellar {
public:
    TestCellar();

    Globals globals;
    Services services;

    QString folder() const { return m_dir.path() + QLatin1Char('/'); }
    QString databasePath() const { return globals.databasePath(); }
    // The Jet reader helper, found in the program folder as the program finds it.
    QString jetHelper() const { return folder() + QStringLiteral("brovane-lecteur-jet"); }

    // Direct access for setting up and checking, outside any window.
    void exec(const QString& sql, const QVariantList& params = {});
    void addLot(const QString& nom, const QString& type, int annee, const QString& couleur, int quantite,
                const QVariant& prix = {});
    std::vector<DbRow> rows(const QString& sql, const QVariantList& params = {});
    int lotCount();
    // The cellar's rows as "NOM|TYPE|ANNEE|COULEUR|QUANTITE|PRIX", in storage order.
    QStringList lots();

    const MessageBox::Shown& lastMessage() const;
    int messageCount() const { return static_cast<int>(services.messages.shown().size()); }

private:
    QTemporaryDir m_dir;
};

// The whole content of a file; empty when it cannot be read.
QByteArray fileBytes(const QString& path);
// The plain files of a folder by name, the program's own helper aside.
QStringList filesIn(const QString& folder);
// Writes (replacing) a file, failing the test run when it cannot.
void writeFile(const QString& path, const QByteArray& content = "x");

// Sets the French locale for number reading and writing.
void useFrenchLocale();

class QComboBox;
// The entries of a list, in order.
QStringList itemsOf(const QComboBox* list);
// The object name of the widget that has the keyboard focus.
QString focusName();

// Presses Alt and the access letter in the widget's window, as a user does, and waits for the button's
// press to complete (an access key presses its button after a short visible push).
void pressAccessKey(QWidget* widget, Qt::Key letter);

// Chooses an entry as a user does: opens the list's drop-down from the keyboard, walks to the entry with
// the arrow keys and presses Enter. Fails the test run when the list has no such entry.
void chooseInList(QComboBox* list, const QString& entry);
// The same, for the list of that name in the window.
void chooseInList(QWidget* window, const char* list, const QString& entry);
// Types over what a field holds: a click into it, everything selected, then the keys.
void typeOver(QWidget* field, const QString& text);
// Pastes over what a field holds, as a user brings in a text no keyboard types (control characters).
void pasteOver(QWidget* field, const QString& text);

class QAbstractItemModel;
// A model's rows as the user reads them, its cells joined by "|"; everything fetched first.
QStringList modelRows(QAbstractItemModel* model);

class QDialog;
// Runs `act` on the next modal window once it is up: for windows opened with exec(), whose caller waits.
void whenModal(const std::function<void(QDialog*)>& act);
// The keys that stop work on its progress dialog, as the rows "key" and "modifiers" of a data table: Échap,
// and Alt+A, the access key of its « Annuler ».
void addCancelKeyRows();
// Presses that key on the next progress dialog once it is up, its label kept in `label`.
void cancelProgressWhenShown(int key, int modifiers, QString& label);

// Types the text into the widget one key at a time, accents and symbols included.
void typeText(QWidget* widget, const QString& text);
