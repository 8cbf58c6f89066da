#include "statements.h"

#include <QRegularExpression>

namespace kvp {

QString dialectName(Dialect dialect)
{
    switch (dialect) {
    case Dialect::MsSql: return QStringLiteral("mssql");
    case Dialect::Oracle: return QStringLiteral("oracle");
    case Dialect::Sqlite: return QStringLiteral("sqlite");
    case Dialect::PostgreSql: return QStringLiteral("postgresql");
    }
    return {};
}

QString statementName(Stmt stmt)
{
    static const QStringList names{
    QStringLiteral("adqProdutoPromoCombo"),
    QStringLiteral("adqProdutoPromoComboFil"),
    QStringLiteral("adqDescProdFiliComb"),
    QStringLiteral("adqDescProdFili"),
    QStringLiteral("adqGrupoFili"),
    QStringLiteral("adqDescProd"),
    QStringLiteral("adqGrupPromoFili"),
    QStringLiteral("adqGrupPromo"),
    QStringLiteral("adqRotLocal"),
    QStringLiteral("adqRoteiro"),
    QStringLiteral("adqGrupMutexFil"),
    QStringLiteral("adqGrupMutex"),
    QStringLiteral("adqPreSelecFili"),
    QStringLiteral("adqPreSelecPadr"),
    QStringLiteral("adqAtaProd"),
    QStringLiteral("adqTipoCons"),
    QStringLiteral("adqCampPromoTCons"),
    QStringLiteral("adqCampPromo"),
    QStringLiteral("adqPromocaoCombAux"),
    QStringLiteral("adqPromocaoComb"),
    QStringLiteral("adqCombinaProd"),
    QStringLiteral("adqAliqImpFis"),
    QStringLiteral("adqValidProdNFCe"),
    QStringLiteral("adqRegraFisPdv"),
    QStringLiteral("adqOcorPed"),
    QStringLiteral("adqExisteProd"),
    QStringLiteral("adqCuponsValidos"),
    QStringLiteral("adqParamGeral"),
    QStringLiteral("adqExibeProd"),
    QStringLiteral("acmInsPromoCombTmp"),
    QStringLiteral("acmDelPromoCombTmp"),
    QStringLiteral("acmInsPromocaoCombAux"),
    };
    static_assert(kStmtCount == 32);
    return names.value(static_cast<int>(stmt));
}

QString statementText(Stmt stmt, Dialect dialect)
{
    switch (dialect) {
    case Dialect::MsSql: return QString::fromUtf8(sqltext::mssql(stmt));
    case Dialect::Oracle: return QString::fromUtf8(sqltext::oracle(stmt));
    case Dialect::Sqlite:
    case Dialect::PostgreSql: {
        QString own = sqltext::portable(stmt, dialect);
        // Statements without a text of their own run the shared host text unchanged.
        return own.isEmpty() ? QString::fromUtf8(sqltext::mssql(stmt)) : own;
    }
    }
    return {};
}

QList<Placeholder> placeholders(const QString& sql)
{
    QList<Placeholder> found;
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // Skip the literal or quoted identifier; a doubled quote stays inside it.
            for (++i; i < n; ++i) {
                if (sql.at(i) == c) {
                    if (i + 1 < n && sql.at(i + 1) == c) {
                        ++i;
                        continue;
                    }
                    break;
                }
            }
            continue;
        }
        if (c == QLatin1Char(':') && i + 1 < n
            && (sql.at(i + 1).isLetter() || sql.at(i + 1) == QLatin1Char('_'))) {
            qsizetype j = i + 1;
            while (j < n && (sql.at(j).isLetterOrNumber() || sql.at(j) == QLatin1Char('_')))
                ++j;
            found.append({sql.mid(i + 1, j - i - 1), i, j - i});
            i = j - 1;
        }
    }
    return found;
}

QStringList placeholderNames(const QString& sql)
{
    QStringList names;
    for (const Placeholder& p : placeholders(sql))
        if (!names.contains(p.name))
            names.append(p.name);
    return names;
}

QString withoutValues(const QString& text, const QList<std::pair<QString, QString>>& values)
{
    constexpr qsizetype kCutShort = 16;
    QString out;
    out.reserve(text.size());
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar c = text.at(at);
        out += c;
        if (c != QLatin1Char('"') && c != QLatin1Char('(') && c != QLatin1Char('\''))
            continue;
        const QStringView rest = QStringView(text).mid(at + 1);
        qsizetype longest = 0;
        const QString* name = nullptr;
        for (const auto& [n, v] : values) {
            qsizetype same = 0;
            while (same < v.size() && same < rest.size() && v.at(same) == rest.at(same))
                ++same;
            if (same > longest && (same == v.size() || same >= kCutShort)) {
                longest = same;
                name = &n;
            }
        }
        if (name) {
            out += QStringLiteral("the value of ") + *name;
            at += longest;
        }
    }
    return out;
}

}  // namespace kvp
