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

Failure unreadable(const QString& why) {
    return {why, {}};
}

const QString Garbled = QStringLiteral("le lecteur de fichiers Jet a répondu de façon incompréhensible");

// The helper's output, line by line, with nothing kept beyond the line being read.
class Session {
public:
    Session(const QString& table, const Handlers& handlers, const Limits& limits)
        : m_table(table), m_handlers(handlers), m_limits(limits) {}

    // Reads what the helper writes until it has said all, is stopped, cancelled, or fails.
    void pump(QProcess& process, int timeoutMs) {
        const QDeadlineTimer deadline(timeoutMs);
        QByteArray pending;
        qint64 received = 0;
        while (!m_failure && !m_finished) {
            const bool arrived = process.bytesAvailable() > 0 || process.waitForReadyRead(50);
            if (m_handlers.progress && !m_handlers.progress(m_rows, m_declared)) {
                m_cancelled = true;
                return;
            }
            if (!arrived) {
                if (process.state() == QProcess::NotRunning && process.bytesAvailable() == 0)
                    return;
                if (deadline.hasExpired())
                    stop(QStringLiteral(
                        "sa lecture a pris trop de temps ; le fichier est sans doute endommagé"));
                continue;
            }
            const QByteArray chunk = process.read(1 << 20);
            received += chunk.size();
            if (received > m_limits.bytes) {
                stop(QStringLiteral("il est trop volumineux pour être une cave"));
                return;
            }
            pending += chunk;
            qsizetype start = 0;
            for (qsizetype end; !m_failure && !m_finished && (end = pending.indexOf('\n', start)) >= 0;
                 start = end + 1)
                take(pending.mid(start, end - start));
            pending.remove(0, start);
            if (!m_failure && pending.size() > m_limits.lineBytes)
                stop(QStringLiteral("le fichier est endommagé : une de ses lignes est démesurée"));
        }
    }

    // Its last line read and nothing wrong: the table was read whole.
    bool finished() const { return m_finished && !m_failure; }

    // What the reading came to once the helper is gone; `crashed` when the system ended it.
    Result<Reading> outcome(bool crashed) const {
        if (m_failure)
            return *m_failure;
        if (m_cancelled || finished())
            return Reading{m_rows, m_cancelled};
        return unreadable(crashed
                              ? QStringLiteral("le fichier est endommagé : sa lecture a épuisé la mémoire "
                                               "ou le temps permis et a été interrompue")
                              : QStringLiteral("le fichier est endommagé : sa lecture s'est interrompue"));
    }

private:
    void take(const QByteArray& line) {
        const QList<QByteArray> fields = line.split('\t');
        const QByteArray& kind = fields.front();
        if (m_expectMagic) {
            m_expectMagic = false;
            if (line != JetProtocol::Magic)
                stop(Garbled);
        } else if (kind == "ERREUR") {
            stop(errorText(fields.value(1), m_table));
        } else if (kind == "COLONNES") {
            for (qsizetype c = 1; c < fields.size(); ++c)
                m_columns << QString::fromUtf8(fields.at(c));
        } else if (kind == "LIGNES") {
            declare(fields.value(1).toLongLong());
        } else if (kind == "LIGNE") {
            row(fields);
        } else if (kind == "FIN") {
            m_finished = true;
            if (m_rows != m_declared)
                stop(damaged(m_rows, m_declared, m_table));
        } else {
            stop(Garbled);
        }
    }

    void declare(qint64 declared) {
        m_declared = declared;
        if (m_declared > m_limits.rows)
            stop(QStringLiteral("sa table %1 déclare %2 lignes, plus que les %3 qu'un import accepte")
                     .arg(m_table)
                     .arg(m_declared)
                     .arg(m_limits.rows));
        else if (m_handlers.start)
            m_failure = m_handlers.start(m_columns, m_declared);
    }

    void row(const QList<QByteArray>& fields) {
        if (++m_rows > m_declared) {
            stop(damaged(m_rows, m_declared, m_table));
            return;
        }
        DbRow row;
        row.reserve(static_cast<size_t>(m_columns.size()));
        for (qsizetype c = 1; c < fields.size() && c <= m_columns.size(); ++c)
            row.push_back(decode(fields.at(c)));
        row.resize(static_cast<size_t>(m_columns.size()));
        if (m_handlers.row)
            m_failure = m_handlers.row(row);
    }

    void stop(const QString& why) { m_failure = unreadable(why); }

    QString m_table;
    const Handlers& m_handlers;
    const Limits& m_limits;
    QStringList m_columns;
    qint64 m_declared = 0;
    qint64 m_rows = 0;
    Status m_failure;
    bool m_cancelled = false;
    bool m_expectMagic = true;
    bool m_finished = false;
};

// A helper that has said all lets itself out; one that was stopped, or says no more, is ended.
void end(QProcess& process, bool finished) {
    if (process.state() != QProcess::NotRunning && !(finished && process.waitForFinished(1000))) {
        process.kill();
        process.waitForFinished(5000);
    }
}

} // namespace

QString helperIn(const QString& programFolder) {
    return programFolder + QLatin1String(HelperName);
}

Result<Reading> read(const QString& helper, const QString& file, const QString& table,
                     const Handlers& handlers, const Limits& limits, int timeoutMs) {
    if (!QFileInfo(helper).isExecutable())
        return unreadable(
            QStringLiteral("le lecteur de fichiers Jet « %1 » est introuvable ; réinstallez Brovane")
                .arg(QDir::toNativeSeparators(helper)));
    QProcess process;
    process.setProgram(helper);
    process.setArguments({file, table});
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted())
        return unreadable(QStringLiteral("le lecteur de fichiers Jet n'a pas pu être lancé"));
    Session session(table, handlers, limits);
    session.pump(process, timeoutMs);
    end(process, session.finished());
    return session.outcome(process.exitStatus() == QProcess::CrashExit);
}

} // namespace JetReader
