// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/CommandLine.h"

#include "BuildInfo.h"
#include "shell/Preparation.h"

namespace CommandLine {

Answer read(const QStringList& arguments) {
    Answer answer;
    if (arguments.isEmpty())
        return answer;
    answer.run = false;
    const QString product = QString::fromUtf8(BuildInfo::ProductName);
    if (arguments.size() == 1 && arguments.front() == QLatin1String("--version")) {
        answer.output =
            QStringLiteral("%1 %2\n%3\n")
                .arg(product, Preparation::versionAppli(), QString::fromUtf8(BuildInfo::Copyright));
        return answer;
    }
    if (arguments.size() == 1 && arguments.front() == QLatin1String("--help")) {
        answer.output =
            QStringLiteral("Utilisation : brovane [--help | --version]\n"
                           "%1 tient l'inventaire d'une cave à vin ; tout se fait dans sa fenêtre.\n"
                           "\n"
                           "  --help     affiche cette aide et s'arrête\n"
                           "  --version  affiche la version et s'arrête\n"
                           "\n"
                           "Paramètres : ~/.config/brovane/Orny.ini (le dossier de la cave).\n"
                           "Cave : ~/.local/share/brovane/Orny02.dat, au premier démarrage.\n"
                           "Les fichiers lus et écrits sont décrits dans « man brovane ».\n")
                .arg(product);
        return answer;
    }
    const QString unknown =
        arguments.front() == QLatin1String("--help") || arguments.front() == QLatin1String("--version")
            ? arguments.at(1)
            : arguments.front();
    answer.status = 2;
    answer.error = QStringLiteral("brovane : argument non reconnu « %1 » ; « brovane --help » donne les "
                                  "arguments acceptés.\n")
                       .arg(unknown);
    return answer;
}

} // namespace CommandLine
