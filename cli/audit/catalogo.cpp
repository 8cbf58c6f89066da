#include "catalogo.h"

#include "dataset.h"
#include "hostservices.h"
#include "regrascupom.h"

#include <QSqlError>

#include <algorithm>
#include <stdexcept>

namespace kvp::auditoria {

namespace {

const char* const kFiliais = "SELECT CDFILIAL FROM FILIAL ORDER BY CDFILIAL";

const char* const kPromocoes =
    "SELECT X.CDPRODPROMOCAO, PD.NMPRODUTO\n"
    "  FROM (SELECT CDPRODPROMOCAO FROM GRUPROMOCPROD\n"
    "        UNION\n"
    "        SELECT CDPRODPROMOCAO FROM GRUPROMOCPRFIL WHERE CDFILIAL = :P_CDFILIAL) X\n"
    "  LEFT JOIN PRODUTO PD ON PD.CDPRODUTO = X.CDPRODPROMOCAO\n"
    " ORDER BY X.CDPRODPROMOCAO";

const char* const kProdutosDosGrupos =
    "SELECT DISTINCT PG.CDPRODUTO\n"
    "  FROM PRODGRUPROMOC PG\n"
    " WHERE PG.CDGRUPROMOC IN (SELECT CDGRUPROMOC FROM GRUPROMOCPROD\n"
    "                           WHERE CDPRODPROMOCAO = :P_CDPRODPROMOCAO\n"
    "                          UNION\n"
    "                          SELECT CDGRUPROMOC FROM GRUPROMOCPRFIL\n"
    "                           WHERE CDPRODPROMOCAO = :P_CDPRODPROMOCAO)";

// The layer getProdutoPromoComb reads settings from: the branch's when it has any.
const char* const kObrigatoriosFilial =
    "SELECT D.CDGRUPROMOC, D.CDPRODUTO\n"
    "  FROM DESGRUPROMPRFIL D\n"
    " WHERE D.CDFILIAL = :P_CDFILIAL\n"
    "   AND D.CDPRODPROMOCAO = :P_CDPRODPROMOCAO\n"
    "   AND D.IDOBRPRODSELFIL = 'S'\n"
    "   AND NOT EXISTS (SELECT 1 FROM PRODGRUPROMOC PG\n"
    "                    WHERE PG.CDGRUPROMOC = D.CDGRUPROMOC AND PG.CDPRODUTO = D.CDPRODUTO)";

const char* const kTemConfigFilial =
    "SELECT 1 FROM DESGRUPROMPRFIL WHERE CDFILIAL = :P_CDFILIAL AND CDPRODPROMOCAO = :P_CDPRODPROMOCAO";

const char* const kObrigatoriosGeral =
    "SELECT D.CDGRUPROMOC, D.CDPRODUTO\n"
    "  FROM DESGRUPROMOCPR D\n"
    " WHERE D.CDPRODPROMOCAO = :P_CDPRODPROMOCAO\n"
    "   AND D.IDOBRPRODSELEC = 'S'\n"
    "   AND NOT EXISTS (SELECT 1 FROM PRODGRUPROMOC PG\n"
    "                    WHERE PG.CDGRUPROMOC = D.CDGRUPROMOC AND PG.CDPRODUTO = D.CDPRODUTO)";

const char* const kCampanhas =
    "SELECT C.CDCAMPPROMO, C.NMCAMPPROMO, C.DTINIVGCAMP, C.DTFINVGCAMP,\n"
    "       K.CDPRODPRIN, K.CDPRODCOMB, K.CDPRODCOMB2, K.CDPRODCOMB4, K.CDPRODCOMB3,\n"
    "       K.CDPRODCOMBOPC\n"
    "  FROM CAMPANHAPROMO C JOIN COMBINAPROD K ON K.CDCAMPPROMO = C.CDCAMPPROMO\n"
    " ORDER BY C.CDCAMPPROMO";

const char* const kProdutos = "SELECT CDPRODUTO FROM PRODUTO ORDER BY CDPRODUTO";

const char* const kCupons =
    "SELECT C.CDCUPOMDESCQMT, C.DTINIVIGENCIA, C.DTFIMVIGENCIA, PC.CDPRODUTO\n"
    "  FROM CUPOMDESCQMT C LEFT JOIN PRODCUPOMDESC PC ON PC.CDCUPOMDESCQMT = C.CDCUPOMDESCQMT\n"
    " ORDER BY C.CDCUPOMDESCQMT, PC.CDPRODUTO";

const char* const kFiliaisCupom = "SELECT CDCUPOMDESCQMT, CDFILIAL FROM FILIALCUPOMDESC";

QDateTime comoData(const QVariant& v)
{
    if (v.isNull()) {
        return {};
    }
    if (v.metaType().id() == QMetaType::QDateTime) {
        return v.toDateTime();
    }
    const QString texto = v.toString().trimmed();
    for (const char* formato : {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd"}) {
        const QDateTime d = QDateTime::fromString(texto, QLatin1String(formato));
        if (d.isValid()) {
            return d;
        }
    }
    return QDateTime::fromString(texto, Qt::ISODate);
}

// The coupon rule of the screens, on a validity read from the catalogue.
bool vigenteEm(const QDateTime& inicio, const QDateTime& fim)
{
    FieldDef inicioCampo;
    inicioCampo.name = QStringLiteral("DTINIVIGENCIA");
    inicioCampo.type = FieldType::DateTime;
    FieldDef fimCampo = inicioCampo;
    fimCampo.name = QStringLiteral("DTFIMVIGENCIA");
    DataSet ds(QStringLiteral("cdsVigencia"), {inicioCampo, fimCampo});
    ds.append();
    if (inicio.isValid()) {
        ds.setValue(QStringLiteral("DTINIVIGENCIA"), inicio);
    }
    if (fim.isValid()) {
        ds.setValue(QStringLiteral("DTFIMVIGENCIA"), fim);
    }
    ds.post();
    return combinada::detail::vigente(ds, host().now());
}

QString texto(const QSqlQuery& q, int i)
{
    return q.value(i).toString().trimmed();
}

}  // namespace

Catalogo::Catalogo(TrdmPromocaoCombinada& modulo) : m_modulo(modulo) {}

Catalogo::~Catalogo() = default;

QSqlQuery& Catalogo::consulta(const char* sql)
{
    auto it = m_consultas.find(sql);
    if (it == m_consultas.end()) {
        auto q = std::make_shared<QSqlQuery>(m_modulo.adcPromocaoCombinada());
        q->setForwardOnly(true);
        if (!q->prepare(QString::fromUtf8(sql))) {
            throw std::runtime_error(q->lastError().text().toStdString());
        }
        it = m_consultas.insert(sql, q);
    }
    return **it;
}

namespace {
void executa(QSqlQuery& q)
{
    if (!q.exec()) {
        throw std::runtime_error(q.lastError().text().toStdString());
    }
}
}  // namespace

QStringList Catalogo::filiais()
{
    QSqlQuery& q = consulta(kFiliais);
    executa(q);
    QStringList r;
    while (q.next()) {
        r << texto(q, 0);
    }
    return r;
}

QList<Par> Catalogo::promocoes(const QString& filial)
{
    QSqlQuery& q = consulta(kPromocoes);
    q.bindValue(QStringLiteral(":P_CDFILIAL"), filial);
    executa(q);
    QList<Par> r;
    while (q.next()) {
        r.append({texto(q, 0), texto(q, 1)});
    }
    return r;
}

bool Catalogo::camadaDaFilial(const QString& filial, const QString& promocao)
{
    SqlStatement& s = m_modulo.statement(Stmt::adqGrupoFili);
    s.bindText("P_CDFILIAL", filial);
    s.bindText("P_CDPRODPROMOCAO", promocao);
    s.bind("P_DATA", m_modulo.dateParameter());
    return s.executeAny();
}

QStringList Catalogo::promocoesNosGrupos(const QString& promocao)
{
    QSqlQuery& q = consulta(kProdutosDosGrupos);
    q.bindValue(QStringLiteral(":P_CDPRODPROMOCAO"), promocao);
    executa(q);
    QStringList r;
    while (q.next()) {
        r << texto(q, 0);
    }
    return r;
}

QList<Par> Catalogo::obrigatoriosForaDoGrupo(const QString& filial, const QString& promocao)
{
    QSqlQuery& tem = consulta(kTemConfigFilial);
    tem.bindValue(QStringLiteral(":P_CDFILIAL"), filial);
    tem.bindValue(QStringLiteral(":P_CDPRODPROMOCAO"), promocao);
    executa(tem);
    const bool daFilial = tem.next();
    tem.finish();
    QSqlQuery& q = consulta(daFilial ? kObrigatoriosFilial : kObrigatoriosGeral);
    if (daFilial) {
        q.bindValue(QStringLiteral(":P_CDFILIAL"), filial);
    }
    q.bindValue(QStringLiteral(":P_CDPRODPROMOCAO"), promocao);
    executa(q);
    QList<Par> r;
    while (q.next()) {
        r.append({texto(q, 0), texto(q, 1)});
    }
    return r;
}

void Catalogo::carregaCampanhas()
{
    m_campanhasLidas = true;
    QSqlQuery& q = consulta(kCampanhas);
    executa(q);
    while (q.next()) {
        Campanha c;
        c.codigo = texto(q, 0);
        c.nome = texto(q, 1);
        c.vigente = vigenteEm(comoData(q.value(2)), comoData(q.value(3)));
        c.principal = texto(q, 4);
        for (int i = 5; i <= 7; ++i) {
            if (!texto(q, i).isEmpty()) {
                c.combinados << texto(q, i);
            }
        }
        c.todos = produtosNomeados(texto(q, 8));
        c.opcionais = texto(q, 9);
        if (c.vigente && !c.principal.isEmpty()) {
            m_porPrincipal.insert(c.principal, static_cast<qsizetype>(m_campanhas.size()));
        }
        m_campanhas.push_back(std::move(c));
    }
}

QStringList Catalogo::produtosNomeados(const QString& lista)
{
    if (lista.isEmpty()) {
        return {};
    }
    if (!m_produtosLidos) {
        m_produtosLidos = true;
        QSqlQuery& q = consulta(kProdutos);
        executa(q);
        while (q.next()) {
            const QString codigo = texto(q, 0);
            if (!codigo.isEmpty()) {
                m_maiorCodigo = std::max(m_maiorCodigo, codigo.size());
                m_produtos.insert(codigo);
            }
        }
    }
    // Every piece of the text up to the longest code, looked up: the list costs what its
    // length costs, not what the catalogue's size does.
    QStringList r;
    for (qsizetype i = 0; i < lista.size(); ++i) {
        for (qsizetype n = 1; n <= m_maiorCodigo && i + n <= lista.size(); ++n) {
            const QString pedaco = lista.mid(i, n);
            if (m_produtos.contains(pedaco) && !r.contains(pedaco)) {
                r << pedaco;
            }
        }
    }
    return r;
}

QList<const Campanha*> Catalogo::campanhasDe(const QString& principal)
{
    if (!m_campanhasLidas) {
        carregaCampanhas();
    }
    QList<const Campanha*> r;
    for (auto it = m_porPrincipal.constFind(principal);
         it != m_porPrincipal.constEnd() && it.key() == principal; ++it) {
        r.prepend(&m_campanhas[static_cast<size_t>(*it)]);
    }
    return r;
}

const std::vector<Cupom>& Catalogo::cupons()
{
    if (m_cuponsLidos) {
        return m_cupons;
    }
    m_cuponsLidos = true;
    QSqlQuery& q = consulta(kCupons);
    executa(q);
    while (q.next()) {
        const QString codigo = texto(q, 0);
        if (m_cupons.empty() || m_cupons.back().codigo != codigo) {
            Cupom c;
            c.codigo = codigo;
            c.fim = comoData(q.value(2));
            c.vigente = vigenteEm(comoData(q.value(1)), c.fim);
            m_cupons.push_back(std::move(c));
        }
        if (!texto(q, 3).isEmpty()) {
            m_cupons.back().produtos << texto(q, 3);
        }
    }
    QSqlQuery& f = consulta(kFiliaisCupom);
    executa(f);
    while (f.next()) {
        for (Cupom& c : m_cupons) {
            if (c.codigo == texto(f, 0)) {
                c.filiais << texto(f, 1);
            }
        }
    }
    return m_cupons;
}

}  // namespace kvp::auditoria
