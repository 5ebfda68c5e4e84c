// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globals/Globals.h"

#include <QDialog>
#include <memory>

namespace Ui {
class Apropos;
}
struct Services;

// The about box: product, version and build date, the version record, the history and how to reach
// support.
class Apropos : public QDialog {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 8;

    Apropos(Globals& globals, Services& services, QWidget* parent = nullptr);
    ~Apropos() override;

    // The executable's name as the identification line shows it.
    static QString executableName(const QString& executablePath);
    static QString historyText();
    static QString supportText();

public slots:
    void EMail_Click();
    void Internet_Click();
    void Quitter_Click();

private:
    void Form_Load();
    void OuvrirDocument(const QString& document);

    std::unique_ptr<Ui::Apropos> ui;
    Globals& m_globals;
    Services& m_services;
};
