// SPDX-License-Identifier: GPL-3.0-or-later
#include "about/Apropos.h"

#include "BuildInfo.h"
#include "ui/Icons.h"
#include "ui/Services.h"
#include "ui/WindowTools.h"
#include "ui_Apropos.h"

#include <QFileInfo>
#include <QIcon>

Apropos::Apropos(Globals& globals, Services& services, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::Apropos>()), m_globals(globals), m_services(services) {
    WindowTools::loadResources();
    ui->setupUi(this);
    WindowTools::setHelpTopic(this, HelpTopic);
    connect(ui->EMail, &QPushButton::clicked, this, &Apropos::EMail_Click);
    connect(ui->Internet, &QPushButton::clicked, this, &Apropos::Internet_Click);
    connect(ui->Quitter, &QPushButton::clicked, this, &Apropos::Quitter_Click);
    Form_Load();
}

Apropos::~Apropos() = default;

QString Apropos::executableName(const QString& executablePath) {
    const QFileInfo executable(executablePath);
#ifdef Q_OS_WIN
    return executable.completeBaseName() + QStringLiteral(".EXE");
#else
    return executable.fileName();
#endif
}

QString Apropos::historyText() {
    return QStringLiteral("Evolution des versions de : %1\n\n"
                          "04/2000 - V1.3\tGestion du prix d'achat des vins et valorisation\n"
                          "\t\tde la cave (prix unitaire et prix total de chaque lot).\n"
                          "07/1999 - V1.2\tBoutons pour envoyer un E-Mail et visiter le site\n"
                          "\t\tInternet depuis la boîte A propos.\n"
                          "05/1999 - V1.1\tNouvel ordre des boutons de la barre d'outils.\n"
                          "09/1998 - V1.0\tPremière version.")
        .arg(QString::fromUtf8(BuildInfo::ProductName));
}

QString Apropos::supportText() {
    return QStringLiteral(
               "ASSISTANCE TECHNIQUE :\n\n"
               "N'hésitez pas à me signaler les problèmes que vous rencontrez, ainsi que vos suggestions "
               "pour les "
               "évolutions du programme. Si une anomalie a échappé aux tests, une version corrigée vous sera "
               "proposée.\n\n"
               "Écrivez-moi de préférence par courrier. En cas d'urgence seulement, vous pouvez téléphoner "
               "le soir. "
               "Vous pouvez aussi m'envoyer une télécopie ou un E-Mail.\n\n"
               "Les Amis de Brovane\n"
               "Assistance technique\n"
               "12, rue de l'Exemple\n"
               "75000 Paris\n\n"
               "Téléphone : 01 99 00 12 34\n"
               "Télécopie : 01 99 00 12 35\n"
               "E-Mail : %1")
        .arg(QString::fromUtf8(BuildInfo::SupportEmail));
}

void Apropos::Form_Load() {
    // The window takes exactly the tab control's size: its layout has no margin and a fixed size. It has
    // no caption: an empty title would show the program's name instead.
    setWindowTitle(QStringLiteral(" "));
    const QString product = QString::fromUtf8(BuildInfo::ProductName);
    ui->Titre->setText(product);
    QFont title(QStringLiteral("Arial"));
    title.setFamilies(
        {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    title.setPointSize(18);
    ui->Titre->setFont(title);
    ui->Icone->setPixmap(Icons::named("brovane").pixmap(QSize(64, 64), devicePixelRatio()));
    ui->SousTitre->setText(QStringLiteral("Version ") + m_globals.VersionAppli +
                           QStringLiteral(" compilée le ") + m_globals.DateCompilation);
    ui->Description->setText(product);
    ui->NomApplication->setText(QStringLiteral("  Nom de l'éxecutable : ") +
                                executableName(QCoreApplication::applicationFilePath()));
    ui->Commentaires->setText(QStringLiteral("  Commentaires :          ") +
                              QString::fromUtf8(BuildInfo::Comments));
    ui->Copyright->setText(QStringLiteral("  Copyright :                ") +
                           QString::fromUtf8(BuildInfo::Copyright));
    ui->Company->setText(QStringLiteral("  Organisation :            ") +
                         QString::fromUtf8(BuildInfo::Company));
    ui->TradeMarks->setText(QStringLiteral("  Marques légales :       ") +
                            QString::fromUtf8(BuildInfo::Trademarks));
    ui->Version->setText(QStringLiteral("  Version :                  %1.%2 du %3")
                             .arg(BuildInfo::VersionMajor)
                             .arg(BuildInfo::VersionMinor)
                             .arg(m_globals.DateCompilation));
    ui->Afficheur->setPlainText(historyText());
    ui->Afficheur->setTabStopDistance(ui->Afficheur->fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 8);
    ui->Text1->setPlainText(supportText());
    // Room for the history and the notice without scrolling sideways, at any font size.
    const QFontMetrics metrics(ui->Afficheur->font());
    ui->Afficheur->setMinimumSize(metrics.horizontalAdvance(QLatin1Char('n')) * 72,
                                  metrics.lineSpacing() * 14);
    ui->Text1->setMinimumSize(metrics.horizontalAdvance(QLatin1Char('n')) * 72, metrics.lineSpacing() * 14);
    ui->Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    ui->EMail->setText(QStringLiteral("M'envoyer un E-Mail : ") + QString::fromUtf8(BuildInfo::SupportEmail));
    ui->Internet->setText(QStringLiteral("Visiter mon site : ") + QString::fromUtf8(BuildInfo::SupportWeb));
    ui->Quitter->setIcon(QIcon(QStringLiteral(":/icons/quitter.svg")));
    ui->Dessin4->setPixmap(QIcon(QStringLiteral(":/icons/brovane.svg")).pixmap(72, 72));
}

void Apropos::OuvrirDocument(const QString& document) {
    if (!m_services.desktop.open(QUrl(document)))
        m_services.messages.notice(
            this, QStringLiteral("Aucun programme du bureau n'a pu ouvrir « %1 ».").arg(document),
            MessageBox::Icon::Exclamation);
}

void Apropos::EMail_Click() {
    OuvrirDocument(QStringLiteral("mailto:") + QString::fromUtf8(BuildInfo::SupportEmail));
}

void Apropos::Internet_Click() {
    OuvrirDocument(QString::fromUtf8(BuildInfo::SupportWeb));
}

void Apropos::Quitter_Click() {
    close();
}
