// Products as the screens judge them: the price function's answer, the tax and receipt
// checks, the grid that lists them and the touch that takes them.

#include "auditor.h"

#include "hostservices.h"
#include "itemrecord.h"
#include "srv_kvp510.h"
#include "textformat.h"

#include <stdexcept>

namespace kvp::auditoria::detail {

using namespace combinada::detail;

const DataPacket& pacote(const DataResult& r, const char* funcao)
{
    if (r.isError()) {
        throw std::runtime_error(
            QStringLiteral("%1: %2").arg(QLatin1String(funcao), r.errorText()).toStdString());
    }
    return r.asPacket();
}

QString numero(double v)
{
    return shortestText(v, host().formatSettings());
}

QString motivosProdutos(const GrupoAvaliado& g)
{
    QStringList m;
    for (const Oferta& o : g.produtos) {
        if (!o.disponivel) {
            m << QStringLiteral("%1 %2: %3").arg(o.codigo, o.nome, o.motivo);
        }
    }
    return m.isEmpty() ? QStringLiteral("o grupo não tem produtos") : m.join(QStringLiteral("; "));
}

const Preco& Auditor::preco(const QString& produto)
{
    auto it = m_precos.constFind(produto);
    if (it != m_precos.constEnd()) {
        return *it;
    }
    HostServices& h = host();
    DataSet registro(QStringLiteral("cdsRetornaPreco"), records::retornaPreco());
    registro.emptyOrCreate();
    const QVariantList valores{
        m_filial,           QString(), produto,
        m_estacao.stCdLoja, QString(), hourMinuteText(h.now(), h.formatSettings()),
        QString(),          true,      m_opcoes.tipoChamada};
    Preco p;
    try {
        const DataResult r = h.ChamaFuncaoGetRetornaPreco(valores, registro);
        if (r.isError()) {
            p.erro = r.errorText();
        }
    } catch (const HostError& e) {
        p.erro = e.message();
    } catch (const std::exception& e) {
        p.erro = QString::fromUtf8(e.what());
    }
    p.falha = p.erro.isEmpty() ? nullptr : falhaPreco(p.erro);
    if (p.erro.isEmpty() && registro.isActive() && !registro.isEmpty()) {
        registro.first();
        p.valor = registro.asFloat(QStringLiteral("VRPRECO"));
    }
    return *m_precos.insert(produto, p);
}

QString Auditor::recusaFiscal(const QString& produto)
{
    auto it = m_fiscal.constFind(produto);
    if (it != m_fiscal.constEnd()) {
        return *it;
    }
    DataSet aliquota(QStringLiteral("cdsAliquota"));
    aliquota.setData(pacote(getImposto(m_filial, produto, QString()), "getImposto"));
    Estacao& e = const_cast<Estacao&>(m_estacao);  // the rate file's cursor moves
    QString chave = recusaImposto(e, aliquota);
    if (chave.isEmpty()) {
        DataSet nfce(QStringLiteral("cdsValidProdNFCe"));
        DataSet regra(QStringLiteral("cdsRegraFisPdv"));
        chave = recusaDocumentoFiscal(
            m_estacao,
            [&]() -> const DataSet& {
                nfce.setData(pacote(getValidProdNFCe(m_filial, produto), "getValidProdNFCe"));
                nfce.first();
                return nfce;
            },
            [&]() -> const DataSet& {
                regra.setData(pacote(getRegraFisPdv(produto), "getRegraFisPdv"));
                regra.first();
                return regra;
            });
    }
    const QString motivo = chave.isEmpty() ? QString() : m_msg.Msg(chave);
    return *m_fiscal.insert(produto, motivo);
}

bool Auditor::ehPromocao(const QString& produto)
{
    auto it = m_ehPromocao.constFind(produto);
    if (it != m_ehPromocao.constEnd()) {
        return *it;
    }
    return *m_ehPromocao.insert(produto, getVerificaPromo(m_filial, produto));
}

// The product as the screens would judge it: listed by the grid when it comes through
// one (where the branch hides zero prices, the main screen still shows the list's last
// and the add screen shows none), then taken by a touch or placed by the pre-selection:
// a nested promotion opens the add screen under the outer promotion's mode, any other
// product passes the price lookup under that mode and, under mode "2", the tax and
// receipt checks.
void Auditor::julgaProduto(const Relato& r, Oferta& o, bool naGrade, bool ultimo,
                           QSet<QString>& entregues)
{
    const Preco& p = preco(o.codigo);
    const bool escondeZero = r.aninhada ? p.valor <= 0 : p.valor == 0 && !ultimo;
    if (naGrade && m_exibeProd != QLatin1String("S") && escondeZero) {
        o.disponivel = false;
        o.motivo = p.falha ? m_msg.Msg(QLatin1String(p.falha->chave))
                           : QStringLiteral("preço zero, e a filial não mostra produtos sem preço");
        return;
    }
    // The add screen takes a promotion like any product; only the main screen nests.
    if (!r.aninhada && o.codigo != r.promocao && ehPromocao(o.codigo)) {
        const Avaliacao a = avalia(o.codigo, o.nome, r.modo, true, nullptr);
        if (!a.vende) {
            o.disponivel = false;
            o.motivo = QStringLiteral("a promoção aninhada %1 não pode ser vendida: %2")
                           .arg(o.codigo, a.motivo);
            return;
        }
        entregues.unite(a.produtos);
        return;
    }
    if (precoRecusado(p.falha, modoMensagemEscolha(r.modo))) {
        o.disponivel = false;
        o.motivo = m_msg.Msg(QLatin1String(p.falha->chave));
        return;
    }
    if (r.modo == QLatin1String("2")) {
        const QString fiscal = recusaFiscal(o.codigo);
        if (!fiscal.isEmpty()) {
            o.disponivel = false;
            o.motivo = fiscal;
            return;
        }
    }
    entregues.insert(o.codigo);
}

QList<GrupoAvaliado> Auditor::grupos(const QString& promocao)
{
    DataResult r = getGrupoPromoComb(promocao, m_filial);
    if (r.isError()) {
        pacote(r, "getGrupoPromoComb");
    }
    DataSet ds(QStringLiteral("cdsGrupProdCombo"));
    ds.setData(r.asPackets().value(0));
    QList<GrupoAvaliado> lista;
    for (ds.first(); !ds.eof(); ds.next()) {
        GrupoAvaliado g;
        g.codigo = ds.asString(QStringLiteral("CDGRUPROMOC"));
        g.nome = ds.asString(QStringLiteral("NMGRUPROMOC"));
        g.mutex = ds.asString(QStringLiteral("CDGRUPMUTEX"));
        g.seq = shortestText(ds.asFloat(QStringLiteral("NRSEQGRPROMO")), FormatSettings::brazil());
        g.quantidade = ds.asFloat(QStringLiteral("QUANTIDADE"));
        g.minimo = ds.asFloat(QStringLiteral("QUANTMIN"));
        g.exigida = quantidadeExigida(g.quantidade, g.minimo);
        lista.append(g);
    }
    return lista;
}

void Auditor::avaliaProdutos(Relato& r, QList<GrupoAvaliado>& lista)
{
    for (GrupoAvaliado& g : lista) {
        DataSet ds(QStringLiteral("cdsProdutoPromo"));
        ds.setData(pacote(
            getProdutoPromoComb(g.codigo, r.promocao, m_filial, m_estacao.stNrConfTela, g.seq),
            "getProdutoPromoComb"));
        const int n = ds.recordCount();
        int i = 0;
        for (ds.first(); !ds.eof(); ds.next()) {
            ++i;
            Oferta o;
            o.codigo = ds.asString(QStringLiteral("CDPRODUTO"));
            o.nome = ds.asString(QStringLiteral("NMPRODUTO"));
            o.obrigatorio = marcado(ds, QStringLiteral("IDOBRPRODSELEC"));
            m_nomes.insert(o.codigo, o.nome);
            julgaProduto(r, o, true, i == n, r.av.produtos);
            if (o.disponivel) {
                ++g.disponiveis;
            }
            g.produtos.append(o);
            if (r.aninhada && ehPromocao(o.codigo)) {
                r.anota(Gravidade::Suspeita,
                        o.codigo == r.promocao
                            ? QStringLiteral("A promoção aninhada oferece a si mesma: na tela de "
                                             "adição ela seria vendida como produto comum, sem "
                                             "seus componentes.")
                            : QStringLiteral("A promoção aninhada oferece outra promoção "
                                             "combinada, %1: na tela de adição ela seria vendida "
                                             "como produto comum, sem seus componentes.")
                                  .arg(o.codigo),
                        &g, o.codigo, o.nome);
            }
        }
    }
}

}  // namespace kvp::auditoria::detail
