// SPDX-License-Identifier: GPL-3.0-or-later
#include "maintenance/JetReader.h"

#include "maintenance/jet/JetProtocol.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

namespace JetReader {

namespace {

QVariant decode(QByteArrayView field) {
    if (field.isEmpty() || field == "N")
        return {};
    const QByteArray rest = field.sliced(1).toByteArray();
    switch (field.at(0)) {
    case 'I':
        return rest.toLongLong();
    case 'R':
        return rest.toDouble();
    case 'M':
        // Currency is stored in ten-thousandths: 324500 is 32.45.
        return static_cast<double>(rest.toLongLong()) / 10000.0;
    case 'T':
        return QString::fromUtf8(QByteArray::fromBase64(rest));
    default:
        return {};
    }
}

QString errorText(const QByteArray& code, const QString& table) {
    if (code == JetProtocol::ErrorNoTable)
        return QStringLiteral("il ne contient pas de table %1").arg(table);
    return QStringLiteral("ce n'est pas une base Access (Jet) lisible");
}

} // namespace

QString helperPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/brovane-lecteur-jet");
}

Result read(const QString& file, const QString& table, int timeoutMs) {
    Result result;
    if (!QFileInfo(helperPath()).isExecutable()) {
        result.problem =
            QStringLiteral("le lecteur de fichiers Jet « %1 » est introuvable ; réinstallez Brovane")
                .arg(QDir::toNativeSeparators(helperPath()));
        return result;
    }
    QProcess process;
    process.setProgram(helperPath());
    process.setArguments({file, table});
    process.setStandardErrorFile(QProcess::nullDevice());
    // The window keeps painting while the helper reads, but takes no input.
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop,
                     [&loop, &process](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart || process.state() == QProcess::NotRunning)
                             loop.quit();
                     });
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        process.kill();
    });
    process.start();
    deadline.start(timeoutMs);
    if (process.state() != QProcess::NotRunning)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
    const QByteArray output = process.readAllStandardOutput();
    if (timedOut) {
        result.problem =
            QStringLiteral("sa lecture a pris trop de temps ; le fichier est sans doute endommagé");
        return result;
    }
    if (process.error() == QProcess::FailedToStart) {
        result.problem = QStringLiteral("le lecteur de fichiers Jet n'a pas pu être lancé");
        return result;
    }
    if (process.exitStatus() == QProcess::CrashExit) {
        result.problem =
            QStringLiteral("le fichier est endommagé : sa lecture a épuisé la mémoire ou le temps permis "
                           "et a été interrompue");
        return result;
    }
    const QList<QByteArray> lines = output.split('\n');
    if (lines.isEmpty() || lines.front() != JetProtocol::Magic) {
        result.problem = QStringLiteral("le lecteur de fichiers Jet a répondu de façon incompréhensible");
        return result;
    }
    Table read;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines.at(i).split('\t');
        const QByteArray& kind = fields.front();
        if (kind == "ERREUR") {
            result.problem = errorText(fields.value(1), table);
            return result;
        }
        if (kind == "COLONNES") {
            for (qsizetype c = 1; c < fields.size(); ++c)
                read.columns << QString::fromUtf8(fields.at(c));
        } else if (kind == "LIGNE") {
            DbRow row;
            row.reserve(static_cast<size_t>(read.columns.size()));
            for (qsizetype c = 1; c < fields.size(); ++c)
                row.push_back(decode(fields.at(c)));
            row.resize(static_cast<size_t>(read.columns.size()));
            read.rows.push_back(std::move(row));
        } else if (kind == "FIN") {
            const qint64 declared = fields.value(2).toLongLong();
            if (static_cast<qint64>(read.rows.size()) < declared) {
                result.problem =
                    QStringLiteral("le fichier est endommagé : %1 lignes lues sur les %2 que déclare la "
                                   "table %3")
                        .arg(read.rows.size())
                        .arg(declared)
                        .arg(table);
                return result;
            }
            result.table = std::move(read);
            return result;
        }
    }
    result.problem = QStringLiteral("le fichier est endommagé : sa lecture s'est interrompue");
    return result;
}

} // namespace JetReader
