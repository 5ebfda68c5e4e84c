// SPDX-License-Identifier: GPL-3.0-or-later
#include "legacy/JetReader.h"

#include "legacy/jet/JetProtocol.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

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

QString damaged(qint64 read, qint64 declared, const QString& table) {
    return QStringLiteral("le fichier est endommagé : la table %1 déclare %2 lignes mais en contient %3 %4")
        .arg(table)
        .arg(declared)
        .arg(read > declared ? QStringLiteral("davantage") : QStringLiteral("seulement"))
        .arg(read > declared ? QString() : QString::number(read))
        .trimmed();
}

// The helper's output, line by line, with nothing kept beyond the line being read.
class Session {
public:
    Session(const QString& table, const Handlers& handlers, const Limits& limits)
        : m_table(table), m_handlers(handlers), m_limits(limits) {}

    // False once the reading must stop: `outcome` then says why.
    bool take(const QByteArray& line) {
        const QList<QByteArray> fields = line.split('\t');
        const QByteArray& kind = fields.front();
        if (m_expectMagic) {
            m_expectMagic = false;
            return line == JetProtocol::Magic ||
                   stop(QStringLiteral("le lecteur de fichiers Jet a répondu de façon "
                                       "incompréhensible"));
        }
        if (kind == "ERREUR")
            return stop(errorText(fields.value(1), m_table));
        if (kind == "COLONNES") {
            for (qsizetype c = 1; c < fields.size(); ++c)
                m_columns << QString::fromUtf8(fields.at(c));
            return true;
        }
        if (kind == "LIGNES") {
            m_declared = fields.value(1).toLongLong();
            if (m_declared > m_limits.rows)
                return stop(
                    QStringLiteral("sa table %1 déclare %2 lignes, plus que les %3 qu'un import accepte")
                        .arg(m_table)
                        .arg(m_declared)
                        .arg(m_limits.rows));
            if (m_handlers.start)
                if (Status failure = m_handlers.start(m_columns, m_declared))
                    return fail(failure);
            return true;
        }
        if (kind == "LIGNE") {
            if (++outcome.rows > m_declared)
                return stop(damaged(outcome.rows, m_declared, m_table));
            DbRow row;
            row.reserve(static_cast<size_t>(m_columns.size()));
            for (qsizetype c = 1; c < fields.size() && c <= m_columns.size(); ++c)
                row.push_back(decode(fields.at(c)));
            row.resize(static_cast<size_t>(m_columns.size()));
            if (m_handlers.row)
                if (Status failure = m_handlers.row(row))
                    return fail(failure);
            return true;
        }
        if (kind == "FIN") {
            m_finished = true;
            if (outcome.rows != m_declared)
                return stop(damaged(outcome.rows, m_declared, m_table));
            return false;
        }
        return stop(QStringLiteral("le lecteur de fichiers Jet a répondu de façon incompréhensible"));
    }

    bool finished() const { return m_finished && outcome.problem.isEmpty() && !outcome.failure; }
    qint64 declared() const { return m_declared; }

    Outcome outcome;

private:
    bool stop(const QString& problem) {
        outcome.problem = problem;
        return false;
    }
    bool fail(const Status& failure) {
        outcome.failure = failure;
        return false;
    }

    QString m_table;
    const Handlers& m_handlers;
    const Limits& m_limits;
    QStringList m_columns;
    qint64 m_declared = 0;
    bool m_expectMagic = true;
    bool m_finished = false;
};

} // namespace

QString helperIn(const QString& programFolder) {
    return programFolder + QLatin1String(HelperName);
}

Outcome read(const QString& helper, const QString& file, const QString& table, const Handlers& handlers,
             const Limits& limits, int timeoutMs) {
    Outcome outcome;
    if (!QFileInfo(helper).isExecutable()) {
        outcome.problem =
            QStringLiteral("le lecteur de fichiers Jet « %1 » est introuvable ; réinstallez Brovane")
                .arg(QDir::toNativeSeparators(helper));
        return outcome;
    }
    QProcess process;
    process.setProgram(helper);
    process.setArguments({file, table});
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted()) {
        outcome.problem = QStringLiteral("le lecteur de fichiers Jet n'a pas pu être lancé");
        return outcome;
    }
    Session session(table, handlers, limits);
    const QDeadlineTimer deadline(timeoutMs);
    QByteArray pending;
    qint64 received = 0;
    bool reading = true;
    const auto stop = [&](const QString& problem) {
        session.outcome.problem = problem;
        reading = false;
    };
    while (reading) {
        const bool arrived = process.bytesAvailable() > 0 || process.waitForReadyRead(50);
        if (handlers.progress && !handlers.progress(session.outcome.rows, session.declared())) {
            session.outcome.cancelled = true;
            break;
        }
        if (!arrived) {
            if (process.state() == QProcess::NotRunning && process.bytesAvailable() == 0)
                break;
            if (deadline.hasExpired()) {
                stop(QStringLiteral("sa lecture a pris trop de temps ; le fichier est sans doute endommagé"));
                break;
            }
            continue;
        }
        const QByteArray chunk = process.read(1 << 20);
        received += chunk.size();
        if (received > limits.bytes) {
            stop(QStringLiteral("il est trop volumineux pour être une cave"));
            break;
        }
        pending += chunk;
        qsizetype start = 0;
        for (qsizetype end; reading && (end = pending.indexOf('\n', start)) >= 0; start = end + 1)
            reading = session.take(pending.mid(start, end - start));
        pending.remove(0, start);
        if (reading && pending.size() > limits.lineBytes)
            stop(QStringLiteral("le fichier est endommagé : une de ses lignes est démesurée"));
        // Its last line read, the helper has nothing more to say: no need to wait for more.
        if (session.finished())
            break;
    }
    // A helper that has said all lets itself out; one that was stopped, or says no more, is ended.
    if (process.state() != QProcess::NotRunning && !(session.finished() && process.waitForFinished(1000))) {
        process.kill();
        process.waitForFinished(5000);
    }
    outcome = session.outcome;
    if (outcome.cancelled || !outcome.problem.isEmpty() || outcome.failure || session.finished())
        return outcome;
    outcome.problem =
        process.exitStatus() == QProcess::CrashExit
            ? QStringLiteral("le fichier est endommagé : sa lecture a épuisé la mémoire ou le temps "
                             "permis et a été interrompue")
            : QStringLiteral("le fichier est endommagé : sa lecture s'est interrompue");
    return outcome;
}

} // namespace JetReader
