// Statement texts for SQLite and PostgreSQL, written to mean what the shops' texts mean.
//
// Most statements need no text of their own: the shared host text is plain SQL that
// both run. The texts below differ where the host texts use SQL Server or Oracle
// functions, compare dates, or would scan a large table where an index serves.
// One text serves both databases, with a few markers expanded per dialect:
//   {PDATA}   the bound date P_DATA (bound as 'yyyy-MM-dd HH:mm:ss' text)
//   {TODAY}   the server's current date at midnight
//   {DT:col}  a date column, normalised on SQLite so that any stored date form compares
//   {NAMED:col}  the pieces of a product list (kNamedPieces), opening a subquery
//   {BRANCHGROUPS}  the branch's valid groups of its own (kBranchGroups)
//   INSTR(a, b)  position of b inside a, 0 when absent (strpos on PostgreSQL)

#include "statements.h"

#include <QRegularExpression>

namespace kvp {
namespace {

// clang-format off

// The settings join carries the branch: without it a second branch's settings rows for
// the same promotion would join in too, listing products twice with foreign settings.
const char* const kProdutoPromoCombo = R"sql(SELECT DISTINCT PD.CDPRODUTO, COALESCE(PD.NMPRODIMPFIS, PD.NMPRODUTO) AS NMPRODUTO,
       PD.CDARVPROD, PG.CDGRUPROMOC, PD.IDPESAPROD, PD.SGUNIDADE, PD.QTTARAPROD,
       FA.CDFAMILISALD, COALESCE(DP.%1, 1000) AS NRORDPROMOPR,
       DP.%2 AS IDOBRPRODSELEC, IT.CDATAPRODITM, PD.CDBARPRODUTO, PD.IDIMPPRODUTO
  FROM PRODGRUPROMOC PG
 INNER JOIN PRODUTO PD ON PD.CDPRODUTO = PG.CDPRODUTO
  LEFT JOIN FAMSALDOPROD FA ON FA.CDPRODUTO = PD.CDPRODUTO
                           AND FA.CDFILIAL = :P_CDFILIAL
  LEFT JOIN ITMENUCONFTE IT ON IT.CDIDENTBUTON = PD.CDPRODUTO
                           AND IT.CDFILIAL = :P_CDFILIAL
                           AND IT.IDTPBUTTON = '1'
                           AND IT.NRCONFTELA = :P_NRCONFTELA
  LEFT JOIN %3 DP ON DP.CDGRUPROMOC = PG.CDGRUPROMOC
                           AND DP.CDPRODUTO = PG.CDPRODUTO
                           AND DP.CDPRODPROMOCAO = :P_CDPRODPROMOCAO
                           AND DP.%4 = :P_NRSEQGRPROMO%5
 WHERE PG.CDGRUPROMOC = :P_CDGRUPROMOC
 ORDER BY COALESCE(DP.%1, 1000), PD.CDARVPROD)sql";

const char* const kGrupPromo = R"sql(SELECT GP.CDGRUPROMOC, GP.NMGRUPROMOC, PF.CDPRODPROMOCAO, PF.%1 AS QUANTIDADE,
       COALESCE(PF.%2, 1000) AS %3, PF.%4 AS CDGRUPMUTEX,
       PF.%5 AS QUANTMIN, PF.%6 AS IDAPLICADESC, PF.%7 AS IDIMPGRPROMO,
       PF.%8 AS NRSEQGRPROMO, PF.%9 AS IDCOMBINAPROD
  FROM %10 PF
 INNER JOIN GRUPROMOC GP ON GP.CDGRUPROMOC = PF.CDGRUPROMOC
 WHERE %11PF.CDPRODPROMOCAO = :P_CDPRODPROMOCAO
   AND (({PDATA} BETWEEN {DT:PF.%12} AND {DT:PF.%13})
        OR (PF.%12 IS NULL AND PF.%13 IS NULL))
   AND EXISTS (SELECT 1
                 FROM PRODGRUPROMOC PG
                INNER JOIN PRODUTO PD ON PD.CDPRODUTO = PG.CDPRODUTO
                WHERE PG.CDGRUPROMOC = GP.CDGRUPROMOC)
 ORDER BY COALESCE(PF.%2, 1000), GP.CDGRUPROMOC)sql";

const char* const kGrupoFili = R"sql(SELECT *
  FROM GRUPROMOCPRFIL
 WHERE CDFILIAL = :P_CDFILIAL
   AND CDPRODPROMOCAO = :P_CDPRODPROMOCAO
   AND (({PDATA} BETWEEN {DT:DTINIVGGRPROFIL} AND {DT:DTFINVGGRPROFIL})
        OR (DTINIVGGRPROFIL IS NULL AND DTFINVGGRPROFIL IS NULL)))sql";

// The combination is reached from the scratch rows (IN over the till's products uses the
// index on the main product) instead of testing every combination of every campaign.
const char* const kCampPromo = R"sql(SELECT P.CDCAMPPROMO, P.CDPRODPRIN, P.CDPRODCOMB, P.IDPERCVALOR, P.IDDESCACRE, P.VRDESCACRE, P.IDAPLICADESACR,
       P.CDPRODCOMB2, P.CDPRODCOMB3, C.CDCLIENTE, P.CDPRODCOMB4
  FROM COMBINAPROD P
 INNER JOIN CAMPANHAPROMO C ON C.CDCAMPPROMO = P.CDCAMPPROMO
 WHERE P.CDPRODPRIN IN (SELECT CDPRODUTO FROM PROMOCAOCOMBTMP
                         WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA)
   AND P.CDPRODCOMB IN (SELECT CDPRODUTO FROM PROMOCAOCOMBTMP
                         WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA)
   AND %1
   AND {TODAY} BETWEEN {DT:C.DTINIVGCAMP} AND {DT:C.DTFINVGCAMP}
   AND :P_HORARIO BETWEEN C.HRINICAMP AND C.HRFINCAMP
   AND :P_HORARIO BETWEEN P.HRINICOMB AND P.HRFINCOMB
   AND ((:P_NRDIASEMANA = '1' AND C.IDDIADOMINGO = 'S' AND P.IDDIADOMCOMB = 'S') OR
        (:P_NRDIASEMANA = '2' AND C.IDDIASEGUNDA = 'S' AND P.IDDIASEGCOMB = 'S') OR
        (:P_NRDIASEMANA = '3' AND C.IDDIATERCA   = 'S' AND P.IDDIATERCOMB = 'S') OR
        (:P_NRDIASEMANA = '4' AND C.IDDIAQUARTA  = 'S' AND P.IDDIAQUACOMB = 'S') OR
        (:P_NRDIASEMANA = '5' AND C.IDDIAQUINTA  = 'S' AND P.IDDIAQUICOMB = 'S') OR
        (:P_NRDIASEMANA = '6' AND C.IDDIASEXTA   = 'S' AND P.IDDIASEXCOMB = 'S') OR
        (:P_NRDIASEMANA = '7' AND C.IDDIASABADO  = 'S' AND P.IDDIASABCOMB = 'S'))
   AND (P.CDPRODCOMB2 IS NULL
        OR P.CDPRODCOMB2 IN (SELECT CDPRODUTO FROM PROMOCAOCOMBTMP
                              WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA))
   AND (P.CDPRODCOMB4 IS NULL
        OR P.CDPRODCOMB4 IN (SELECT CDPRODUTO FROM PROMOCAOCOMBTMP
                              WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA))
   AND (P.CDPRODCOMBOPC IS NULL
        OR EXISTS (SELECT 1
                     FROM PROMOCAOCOMBTMP T
                    INNER JOIN PRODUTO A ON A.CDPRODUTO = T.CDPRODUTO
                    WHERE T.CDFILIAL = :P_CDFILIAL
                      AND T.CDCAIXA  = :P_CDCAIXA
                      AND INSTR(P.CDPRODCOMBOPC, A.CDPRODUTO) <> 0))
   AND (P.CDPRODCOMB3 IS NULL
        OR NOT EXISTS ({NAMED:P.CDPRODCOMB3}
                       SELECT 1
                         FROM NAMED
                        WHERE EXISTS (SELECT 1
                                        FROM PRODUTO A
                                       WHERE A.CDPRODUTO = SUBSTR(P.CDPRODCOMB3, NAMED.S, NAMED.N)
                                         AND A.CDPRODUTO NOT IN (SELECT CDPRODUTO FROM PROMOCAOCOMBTMP
                                                                  WHERE CDFILIAL = :P_CDFILIAL
                                                                    AND CDCAIXA  = :P_CDCAIXA))))
 ORDER BY P.VRDESCACRE DESC)sql";

// The product list of a combination (CDPRODCOMB3) names every product whose code occurs
// anywhere in its text. Its products are found through the key, one look-up per piece of
// the text (start S, length N, the empty piece included), so the cost follows the list's
// length and not the catalogue's: the shops' texts test every product against the list.
// Each look-up is a subquery of its own: as a join SQLite would build a filter over
// every product first.
const char* const kNamedPieces = R"sql(WITH RECURSIVE NAMED(S, N) AS (
         SELECT 1, 0
         UNION ALL
         SELECT CASE WHEN N < LENGTH(%1) - S + 1 THEN S ELSE S + 1 END,
                CASE WHEN N < LENGTH(%1) - S + 1 THEN N + 1 ELSE 0 END
           FROM NAMED
          WHERE S <= LENGTH(%1)))sql";

// Whether the branch has valid groups of its own (which govern then): what
// adqGrupPromoFili would find, without reading the groups. Written {BRANCHGROUPS}.
const char* const kBranchGroups = R"sql(SELECT 1
                 FROM GRUPROMOCPRFIL PF
                INNER JOIN GRUPROMOC GP ON GP.CDGRUPROMOC = PF.CDGRUPROMOC
                WHERE PF.CDFILIAL = :P_CDFILIAL
                  AND PF.CDPRODPROMOCAO = :P_CDPRODPROMOCAO
                  AND (({PDATA} BETWEEN {DT:PF.DTINIVGGRPROFIL} AND {DT:PF.DTFINVGGRPROFIL})
                       OR (PF.DTINIVGGRPROFIL IS NULL AND PF.DTFINVGGRPROFIL IS NULL))
                  AND EXISTS (SELECT 1
                                FROM PRODGRUPROMOC PG
                               INNER JOIN PRODUTO PD ON PD.CDPRODUTO = PG.CDPRODUTO
                               WHERE PG.CDGRUPROMOC = GP.CDGRUPROMOC))sql";

// Whether a product is a promotion: whether adqGrupPromoFili or adqGrupPromo would find a
// group, asked once, through the keys, without reading the groups.
const char* const kVerificaPromo = R"sql(SELECT 1
 WHERE EXISTS ({BRANCHGROUPS})
    OR EXISTS (SELECT 1
                 FROM GRUPROMOCPROD PF
                INNER JOIN GRUPROMOC GP ON GP.CDGRUPROMOC = PF.CDGRUPROMOC
                WHERE PF.CDPRODPROMOCAO = :P_CDPRODPROMOCAO
                  AND (({PDATA} BETWEEN {DT:PF.DTINIVGGRPROMO} AND {DT:PF.DTFINVGGRPROMO})
                       OR (PF.DTINIVGGRPROMO IS NULL AND PF.DTFINVGGRPROMO IS NULL))
                  AND EXISTS (SELECT 1
                                FROM PRODGRUPROMOC PG
                               INNER JOIN PRODUTO PD ON PD.CDPRODUTO = PG.CDPRODUTO
                               WHERE PG.CDGRUPROMOC = GP.CDGRUPROMOC)))sql";

// A promotion's text: the branch's own where it has a row, else the general one, in one
// query (the same column from whichever table answers).
const char* const kRoteiro = R"sql(SELECT TXROTFABLOC As ROTEIRO
  FROM DESCROTLOCAL
 WHERE CDPRODUTO = :P_CDPRODUTO
   AND CDFILIAL  = :P_CDFILIAL
UNION ALL
SELECT TXROTFAB As ROTEIRO
  FROM DESCROTEIRO
 WHERE CDPRODUTO = :P_CDPRODUTO
   AND NOT EXISTS (SELECT 1 FROM DESCROTLOCAL
                    WHERE CDPRODUTO = :P_CDPRODUTO
                      AND CDFILIAL  = :P_CDFILIAL))sql";

// clang-format on

QString produtoPromoCombo(bool branch)
{
    return QString::fromUtf8(kProdutoPromoCombo)
        .arg(branch ? QStringLiteral("NRORDPROMOPRFIL") : QStringLiteral("NRORDPROMOPR"),
             branch ? QStringLiteral("IDOBRPRODSELFIL") : QStringLiteral("IDOBRPRODSELEC"),
             branch ? QStringLiteral("DESGRUPROMPRFIL") : QStringLiteral("DESGRUPROMOCPR"),
             branch ? QStringLiteral("NRSEQGRPROMOFIL") : QStringLiteral("NRSEQGRPROMO"),
             branch ? QStringLiteral("\n                           AND DP.CDFILIAL = :P_CDFILIAL")
                    : QString());
}

QString grupPromo(bool branch)
{
    if (branch) {
        return QString::fromUtf8(kGrupPromo)
            .arg(QStringLiteral("QTPRGRUPPROMFIL"), QStringLiteral("NRORDPROMOGRUPFIL"),
                 QStringLiteral("NRORDPROMOGRUPFIL"), QStringLiteral("CDGRUPMUTEXFIL"),
                 QStringLiteral("QTPRGRUPROMINFIL"), QStringLiteral("IDAPLICADESCFIL"),
                 QStringLiteral("IDIMPGRPROMOFIL"), QStringLiteral("NRSEQGRPROMOFIL"),
                 QStringLiteral("IDCOMBINAPRODFIL"))
            .arg(QStringLiteral("GRUPROMOCPRFIL"), QStringLiteral("PF.CDFILIAL = :P_CDFILIAL\n   AND "),
                 QStringLiteral("DTINIVGGRPROFIL"), QStringLiteral("DTFINVGGRPROFIL"));
    }
    return QString::fromUtf8(kGrupPromo)
        .arg(QStringLiteral("QTPRGRUPPROMOC"), QStringLiteral("NRORDPROMOGRUP"),
             QStringLiteral("NRORDPROMOGRUP"), QStringLiteral("CDGRUPMUTEX"),
             QStringLiteral("QTPRGRUPROMIN"), QStringLiteral("IDAPLICADESC"),
             QStringLiteral("IDIMPGRPROMO"), QStringLiteral("NRSEQGRPROMO"),
             QStringLiteral("IDCOMBINAPROD"))
        .arg(QStringLiteral("GRUPROMOCPROD"), QString(), QStringLiteral("DTINIVGGRPROMO"),
             QStringLiteral("DTFINVGGRPROMO"));
}

QString campPromo(bool typed)
{
    return QString::fromUtf8(kCampPromo)
        .arg(typed ? QStringLiteral("C.CDTIPOCONS = :P_CDTIPOCONS")
                   : QStringLiteral("C.CDTIPOCONS IS NULL"));
}

QString expand(QString text, Dialect dialect)
{
    text.replace(QStringLiteral("{BRANCHGROUPS}"), QString::fromUtf8(kBranchGroups));
    static const QRegularExpression named(QStringLiteral("\\{NAMED:([^}]+)\\}"));
    for (auto m = named.match(text); m.hasMatch(); m = named.match(text))
        text.replace(m.capturedStart(), m.capturedLength(), QString::fromUtf8(kNamedPieces).arg(m.captured(1)));
    static const QRegularExpression dateColumn(QStringLiteral("\\{DT:([A-Za-z0-9_.]+)\\}"));
    if (dialect == Dialect::Sqlite) {
        // SQLite keeps dates as text; datetime() brings 'YYYY-MM-DD', ISO 'T' forms and
        // fractions to the one form the bound date has.
        text.replace(QStringLiteral("{PDATA}"), QStringLiteral(":P_DATA"));
        text.replace(QStringLiteral("{TODAY}"),
                     QStringLiteral("datetime('now', 'localtime', 'start of day')"));
        text.replace(dateColumn, QStringLiteral("datetime(\\1)"));
    } else {
        // The cast makes the text parameter a timestamp whatever type the client sends.
        text.replace(QStringLiteral("{PDATA}"), QStringLiteral("CAST(:P_DATA AS TIMESTAMP)"));
        text.replace(QStringLiteral("{TODAY}"), QStringLiteral("CAST(CURRENT_DATE AS TIMESTAMP)"));
        text.replace(dateColumn, QStringLiteral("\\1"));
        text.replace(QStringLiteral("INSTR("), QStringLiteral("strpos("));
    }
    return text;
}

}  // namespace

namespace sqltext {

QString portable(Stmt stmt, Dialect dialect)
{
    QString text;
    switch (stmt) {
    case Stmt::adqProdutoPromoCombo: text = produtoPromoCombo(false); break;
    case Stmt::adqProdutoPromoComboFil: text = produtoPromoCombo(true); break;
    case Stmt::adqGrupPromoFili: text = grupPromo(true); break;
    case Stmt::adqGrupPromo: text = grupPromo(false); break;
    case Stmt::adqGrupoFili: text = QString::fromUtf8(kGrupoFili); break;
    case Stmt::adqCampPromoTCons: text = campPromo(true); break;
    case Stmt::adqCampPromo: text = campPromo(false); break;
    case Stmt::adqPreSelecFili:
        text = QString::fromUtf8(mssql(stmt)).replace(QStringLiteral("ISNULL("),
                                                       QStringLiteral("COALESCE("));
        break;
    // Oracle's texts of these two are plain SQL apart from INSTR. The listed products are
    // found through the pieces of the list rather than by testing every product against it.
    case Stmt::adqCombinaProd: {
        const QString list = QStringLiteral("(SELECT CDPRODCOMB3 FROM COMBINAPROD WHERE CDCAMPPROMO = :P_CDCAMPPROMO "
                                            "AND CDPRODPRIN = :P_CDPRODPRIN AND CDPRODCOMB = :P_CDPRODCOMB)");
        text = QStringLiteral("{NAMED:%1}\n").arg(list) +
            QString::fromUtf8(oracle(stmt)).replace(
                QStringLiteral("WHERE INSTR(C.CDPRODCOMB3, P.CDPRODUTO) <> 0"),
                QStringLiteral("WHERE P.CDPRODUTO IN (SELECT SUBSTR(%1, NAMED.S, NAMED.N) FROM NAMED)").arg(list));
        break;
    }
    case Stmt::adqPromocaoCombAux: text = QString::fromUtf8(oracle(stmt)); break;
    default: return {};
    }
    return expand(text, dialect);
}

QString verificaPromo(Dialect dialect)
{
    return expand(QString::fromUtf8(kVerificaPromo), dialect);
}

QString roteiro(Dialect dialect)
{
    return expand(QString::fromUtf8(kRoteiro), dialect);
}

QString preSelecPadr(Dialect dialect)
{
    // The shared text, with no rows where the branch's own groups govern.
    return expand(QString::fromUtf8(mssql(Stmt::adqPreSelecPadr))
                      .replace(QStringLiteral("\nORDER BY"), QStringLiteral("\n\tAND NOT EXISTS ({BRANCHGROUPS})\nORDER BY")),
                  dialect);
}

QString combinacoesEmUso()
{
    return QStringLiteral("SELECT DISTINCT NRSEQPRODCOM\n"
                          "  FROM PROMOCAOCOMBAUX\n"
                          " WHERE CDFILIAL = :P_CDFILIAL\n"
                          "   AND CDCAIXA  = :P_CDCAIXA");
}

QString reservaCaixa(Dialect dialect)
{
    switch (dialect) {
    case Dialect::Sqlite:
        // A write that changes nothing: it takes the database's write lock, which SQLite
        // would otherwise take only at the first insert, after the numbers were read.
        return QStringLiteral("UPDATE PROMOCAOCOMBAUX SET NRSEQPRODCOM = NRSEQPRODCOM\n"
                              " WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND 1 = 0");
    case Dialect::PostgreSql:
        // Held to the end of the transaction; other branches and tills do not wait for it.
        // Taken through a read of the table (one row, whatever it holds), so that it waits
        // like every other step for whoever holds the table itself.
        return QStringLiteral("SELECT pg_advisory_xact_lock(\n"
                              "         hashtext(CAST(:P_CDFILIAL AS TEXT) || '/' ||\n"
                              "                  CAST(:P_CDCAIXA AS TEXT)))\n"
                              "  FROM (SELECT COUNT(*) AS N FROM PROMOCAOCOMBAUX\n"
                              "         WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA) A");
    case Dialect::MsSql:
    case Dialect::Oracle: break;
    }
    return {};
}

QString insertRows(Stmt stmt, int rows)
{
    // The host texts end with their one VALUES row, which is repeated.
    const QString text = QString::fromUtf8(mssql(stmt));
    const qsizetype at = text.lastIndexOf(QStringLiteral("(:"));
    static const QRegularExpression placeholder(QStringLiteral(":([A-Z0-9_]+)"));
    QStringList tuples;
    for (int n = 1; n <= rows; ++n)
        tuples << text.mid(at).replace(placeholder, QStringLiteral(":\\1_") + QString::number(n));
    return text.left(at) + tuples.join(QStringLiteral(",\n   "));
}

}  // namespace sqltext
}  // namespace kvp
