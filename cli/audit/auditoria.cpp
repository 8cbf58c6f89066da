// The audit of one branch: every promotion's groups, their products as the product grid
// and a touch would judge them, the pre-selected and obligatory products, the exclusive
// sets, nested promotions, campaigns and coupons.

#include "auditoria.h"
#include "catalogo.h"

#include "hostservices.h"
#include "itemrecord.h"
#include "messages.h"
#include "regrasarquivos.h"
#include "regrasvenda.h"
#include "srv_kvp510.h"
#include "textformat.h"

#include <QHash>
#include <QSet>

#include <algorithm>

#include <stdexcept>

namespace kvp::auditoria {

using namespace combinada::detail;

void Estacao::leArquivosDoHost()
{
    RegrasArquivos<Estacao>::LeParametros(*this);
    RegrasArquivos<Estacao>::LeAliquotas(*this);
}

namespace {

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

// A product as the grid shows it and a touch takes it.
struct Oferta {
    QString codigo, nome;
    bool obrigatorio = false;
    bool disponivel = true;
    QString motivo;  // why it cannot be chosen
};

struct GrupoAvaliado {
    QString codigo, nome, mutex, seq;
    double quantidade = 0, minimo = 0, exigida = 0;
    QList<Oferta> produtos;
    int disponiveis = 0;
};

// The price function's answer for one product at this branch, kept for the run.
struct Preco {
    const FalhaPreco* falha = nullptr;
    QString erro;
    double valor = 0;
};

// Why none of a group's products can be chosen, product by product.
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

class Auditor {
public:
    Auditor(const Estacao& e, const OpcoesAuditoria& o, Catalogo& c)
        : m_estacao(e), m_opcoes(o), m_catalogo(c), m_msg(promocaoCombinadaMessages())
    {
    }

    void auditaFilial(const QString& filial, ResultadoAuditoria& r);

private:
    struct Avaliacao {
        bool vende = true;
        QString motivo;  // the first reason it does not
        QSet<QString> produtos;  // every product it can hand back, nested ones included
    };

    // One promotion's findings while it is judged: each is noted with the promotion's
    // names, and the first that stops the sale says why it does not sell.
    struct Relato {
        const Auditor& auditor;
        QString promocao;
        QString nome;
        QString camada;  // says when the branch's own settings replace the general ones
        Avaliacao av;
        QList<Achado> locais;

        void anota(Gravidade g, const QString& motivo, const GrupoAvaliado* grupo = nullptr,
                   const QString& produto = QString(), const QString& nomeProduto = QString());
    };

    Avaliacao avalia(const QString& promocao, const QString& nome, bool aninhada,
                     QList<Achado>* achados);
    // Products, as the grid lists them and a touch takes them.
    void avaliaProdutos(Relato& r, QList<GrupoAvaliado>& lista, bool aninhada,
                        const QString& modoPromo);
    void avaliaQuantidades(Relato& r, const QList<GrupoAvaliado>& lista,
                           const QHash<QString, QList<const GrupoAvaliado*>>& conjuntos);
    void avaliaConjuntos(Relato& r, const QHash<QString, QList<const GrupoAvaliado*>>& conjuntos);
    // Pre-selected products: where they land and whether they can be placed.
    void avaliaPreSelecionados(Relato& r, const QList<GrupoAvaliado>& lista,
                               QHash<QString, QSet<QString>>& fixos);
    // Obligatory products, with the pre-selected ones, against their group's quantity.
    void avaliaObrigatorios(Relato& r, const QList<GrupoAvaliado>& lista,
                            QHash<QString, QSet<QString>>& fixos);
    // Nesting that comes back to itself.
    void avaliaCiclos(Relato& r, const QList<GrupoAvaliado>& lista);
    QList<GrupoAvaliado> grupos(const QString& promocao, bool aninhada);
    void julgaProduto(const QString& promocao, bool aninhada, const QString& modo, Oferta& o,
                      bool ultimo, QSet<QString>& entregues);
    const Preco& preco(const QString& produto);
    QString recusaFiscal(const QString& produto);
    bool ehPromocao(const QString& produto);
    QString ciclo(const QString& raiz, const QString& atual, QSet<QString>& vistos);
    void campanhas(const QString& promocao, const QString& nome, const QSet<QString>& produtos,
                   QList<Achado>& achados);
    void cupons(const QSet<QString>& oferecidos, QList<Achado>& achados);

    Achado achado(const QString& promocao, const QString& nome, Gravidade g,
                  const QString& motivo) const
    {
        Achado a;
        a.filial = m_filial;
        a.promocao = promocao;
        a.nomePromocao = nome;
        a.gravidade = g;
        a.motivo = motivo;
        return a;
    }
    QString modo(const QString& promocao) const
    {
        const QString m = m_opcoes.modoPreco ? m_opcoes.modoPreco(promocao) : QString();
        return m.isEmpty() ? m_opcoes.modoPadrao : m;
    }

    const Estacao& m_estacao;
    const OpcoesAuditoria& m_opcoes;
    Catalogo& m_catalogo;
    TMessages m_msg;
    QString m_filial;
    QString m_exibeProd;
    bool m_camadaFilial = false;
    QHash<QString, Preco> m_precos;
    QHash<QString, QString> m_fiscal;
    QHash<QString, bool> m_ehPromocao;
    QHash<QString, Avaliacao> m_aninhadas;
    QHash<QString, QString> m_nomes;
};

const Preco& Auditor::preco(const QString& produto)
{
    auto it = m_precos.constFind(produto);
    if (it != m_precos.constEnd()) {
        return *it;
    }
    HostServices& h = host();
    DataSet registro(QStringLiteral("cdsRetornaPreco"), records::retornaPreco());
    registro.emptyOrCreate();
    const QVariantList valores{m_filial, QString(), produto, m_estacao.stCdLoja, QString(),
                               hourMinuteText(h.now(), h.formatSettings()), QString(), true,
                               m_opcoes.tipoChamada};
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

// The product as the screens would judge it: listed by the grid (a zero price is skipped
// when the branch hides them, except the list's last), then taken by a touch: a nested
// promotion opens the add screen, any other product passes the price lookup under the
// promotion's mode and, under mode "2", the tax and receipt checks.
void Auditor::julgaProduto(const QString& promocao, bool aninhada, const QString& modo,
                           Oferta& o, bool ultimo, QSet<QString>& entregues)
{
    const Preco& p = preco(o.codigo);
    if (m_exibeProd != QLatin1String("S") && p.valor == 0 && !ultimo) {
        o.disponivel = false;
        o.motivo = p.falha ? m_msg.Msg(QLatin1String(p.falha->chave))
                           : QStringLiteral("preço zero, e a filial não mostra produtos sem preço");
        return;
    }
    // The add screen takes a promotion like any product; only the main screen nests.
    if (!aninhada && o.codigo != promocao && ehPromocao(o.codigo)) {
        const Avaliacao a = avalia(o.codigo, o.nome, true, nullptr);
        if (!a.vende) {
            o.disponivel = false;
            o.motivo = QStringLiteral("a promoção aninhada %1 não pode ser vendida: %2")
                           .arg(o.codigo, a.motivo);
            return;
        }
        entregues.unite(a.produtos);
        return;
    }
    if (precoRecusado(p.falha, modoMensagemEscolha(modo))) {
        o.disponivel = false;
        o.motivo = m_msg.Msg(QLatin1String(p.falha->chave));
        return;
    }
    if (modo == QLatin1String("2")) {
        const QString fiscal = recusaFiscal(o.codigo);
        if (!fiscal.isEmpty()) {
            o.disponivel = false;
            o.motivo = fiscal;
            return;
        }
    }
    entregues.insert(o.codigo);
}

QList<GrupoAvaliado> Auditor::grupos(const QString& promocao, bool aninhada)
{
    Q_UNUSED(aninhada);
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

QString Auditor::ciclo(const QString& raiz, const QString& atual, QSet<QString>& vistos)
{
    if (vistos.contains(atual)) {
        return {};
    }
    vistos.insert(atual);
    for (const QString& filha : m_catalogo.promocoesNosGrupos(atual)) {
        if (!ehPromocao(filha)) {
            continue;
        }
        if (filha == raiz) {
            return atual;
        }
        const QString via = ciclo(raiz, filha, vistos);
        if (!via.isEmpty()) {
            return atual + QStringLiteral(" → ") + via;
        }
    }
    return {};
}

Auditor::Avaliacao Auditor::avalia(const QString& promocao, const QString& nome, bool aninhada,
                                   QList<Achado>* achados)
{
    if (aninhada) {
        auto it = m_aninhadas.constFind(promocao);
        if (it != m_aninhadas.constEnd()) {
            return *it;
        }
    }
    const QString modoPromo = modo(promocao);
    Relato r{*this,
             promocao,
             nome,
             m_catalogo.camadaDaFilial(m_filial, promocao)
                 ? QStringLiteral(" (configuração própria da filial %1, que substitui a geral)")
                       .arg(m_filial)
                 : QString(),
             {},
             {}};

    QList<GrupoAvaliado> lista = grupos(promocao, aninhada);
    if (lista.isEmpty()) {
        r.anota(Gravidade::NaoVende,
                QStringLiteral("A promoção não tem nenhum grupo válido em %1 com produtos "
                               "cadastrados: a confirmação nunca é aceita.")
                        .arg(formatDate(host().now(), host().formatSettings())) +
                    r.camada);
    }
    avaliaProdutos(r, lista, aninhada, modoPromo);
    QHash<QString, QList<const GrupoAvaliado*>> conjuntos;
    for (const GrupoAvaliado& g : lista) {
        if (!g.mutex.isEmpty()) {
            conjuntos[g.mutex].append(&g);
        }
    }
    avaliaQuantidades(r, lista, conjuntos);
    avaliaConjuntos(r, conjuntos);
    QHash<QString, QSet<QString>> fixos;  // group -> pre-selected or obligatory products
    avaliaPreSelecionados(r, lista, fixos);
    avaliaObrigatorios(r, lista, fixos);
    if (!aninhada) {
        avaliaCiclos(r, lista);
    }

    if (aninhada) {
        m_aninhadas.insert(promocao, r.av);
    } else if (achados) {
        campanhas(promocao, nome, r.av.produtos, r.locais);
        achados->append(r.locais);
    }
    return r.av;
}

void Auditor::Relato::anota(Gravidade g, const QString& motivo, const GrupoAvaliado* grupo,
                            const QString& produto, const QString& nomeProduto)
{
    Achado a = auditor.achado(promocao, nome, g, motivo);
    if (grupo) {
        a.grupo = grupo->codigo;
        a.nomeGrupo = grupo->nome;
    }
    a.produto = produto;
    a.nomeProduto = nomeProduto;
    if (g == Gravidade::NaoVende && av.vende) {
        av.vende = false;
        av.motivo = motivo;
    }
    locais.append(a);
}

void Auditor::avaliaProdutos(Relato& r, QList<GrupoAvaliado>& lista, bool aninhada,
                             const QString& modoPromo)
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
            julgaProduto(r.promocao, aninhada, modoPromo, o, i == n, r.av.produtos);
            if (o.disponivel) {
                ++g.disponiveis;
            }
            g.produtos.append(o);
            if (aninhada && ehPromocao(o.codigo)) {
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

// Quantities: what each group demands against what it can offer.
void Auditor::avaliaQuantidades(Relato& r, const QList<GrupoAvaliado>& lista,
                                const QHash<QString, QList<const GrupoAvaliado*>>& conjuntos)
{
    for (const GrupoAvaliado& g : lista) {
        if (g.minimo > g.quantidade) {
            r.anota(
                Gravidade::Suspeita,
                g.quantidade > 0
                    ? QStringLiteral("O mínimo do grupo (%1) é maior que a sua quantidade (%2): "
                                     "a confirmação não exige o mínimo e a escolha para na "
                                     "quantidade.")
                              .arg(numero(g.minimo), numero(g.quantidade)) +
                          r.camada
                    : QStringLiteral("O grupo não tem quantidade e pede um mínimo de %1: a "
                                     "confirmação não exige o mínimo.")
                              .arg(numero(g.minimo)) +
                          r.camada,
                &g);
        }
        if (g.exigida > 0 && g.disponiveis == 0) {
            const GrupoAvaliado* alternativa = nullptr;
            for (const GrupoAvaliado* outro : conjuntos.value(g.mutex)) {
                if (outro != &g && outro->disponiveis > 0) {
                    alternativa = outro;
                }
            }
            const QString base =
                QStringLiteral("O grupo exige %1 produto(s) e não oferece nenhum que possa ser "
                               "escolhido (%2)")
                    .arg(numero(g.exigida), motivosProdutos(g));
            if (alternativa) {
                r.anota(Gravidade::VendeEmParte,
                        base +
                            QStringLiteral(". Só se vende escolhendo o grupo exclusivo %1.")
                                .arg(alternativa->nome) +
                            r.camada,
                        &g);
            } else if (g.mutex.isEmpty()) {
                r.anota(Gravidade::NaoVende, base + QLatin1Char('.') + r.camada, &g);
            }
        } else if (g.disponiveis > 0 && g.quantidade > g.disponiveis) {
            r.anota(Gravidade::Suspeita,
                    QStringLiteral("O grupo pede %1 produto(s) e oferece só %2: o operador terá "
                                   "de repetir produtos.")
                            .arg(numero(g.quantidade), numero(g.disponiveis)) +
                        r.camada,
                    &g);
        } else if (g.quantidade == 0 && g.exigida == 0 && g.disponiveis == 0 &&
                   !g.produtos.isEmpty()) {
            r.anota(Gravidade::Suspeita,
                    QStringLiteral("O grupo opcional não oferece nenhum produto que possa ser "
                                   "escolhido (%1).")
                        .arg(motivosProdutos(g)),
                    &g);
        }
    }
}

void Auditor::avaliaConjuntos(Relato& r,
                              const QHash<QString, QList<const GrupoAvaliado*>>& conjuntos)
{
    // An exclusive set whose groups all demand products none of them can offer: no
    // choice excuses the others, so the confirmation is never reached.
    for (auto it = conjuntos.cbegin(); it != conjuntos.cend(); ++it) {
        bool algumCompleta = false;
        bool exige = false;
        QStringList nomes;
        for (const GrupoAvaliado* g : *it) {
            nomes << g->nome;
            exige = exige || g->exigida > 0;
            algumCompleta = algumCompleta || g->disponiveis > 0;
        }
        if (exige && !algumCompleta) {
            QStringList motivos;
            for (const GrupoAvaliado* g : *it) {
                motivos << QStringLiteral("%1: %2").arg(g->nome, motivosProdutos(*g));
            }
            GrupoAvaliado conjunto;
            conjunto.codigo = it.key();
            r.anota(Gravidade::NaoVende,
                    QStringLiteral("Os grupos mutuamente exclusivos %1 (%2) exigem produtos e "
                                   "nenhum deles pode ser completado: a confirmação nunca é "
                                   "alcançada (%3).")
                            .arg(it.key(), nomes.join(QStringLiteral(", ")),
                                 motivos.join(QStringLiteral(" | "))) +
                        r.camada,
                    &conjunto);
        }
    }
}

void Auditor::avaliaPreSelecionados(Relato& r, const QList<GrupoAvaliado>& lista,
                                    QHash<QString, QSet<QString>>& fixos)
{
    DataSet pre(QStringLiteral("cdsPreSelecionados"));
    pre.setData(pacote(getPreSelecionados(m_filial, r.promocao), "getPreSelecionados"));
    QHash<QString, QString> mutexPre;     // exclusive set -> group of its first pre-selection
    for (pre.first(); !pre.eof(); pre.next()) {
        const QString cdGrupo = pre.asString(QStringLiteral("CDGRUPROMOC"));
        const QString cdProduto = pre.asString(QStringLiteral("CDPRODUTO"));
        const GrupoAvaliado* g = nullptr;
        for (const GrupoAvaliado& x : lista) {
            if (x.codigo == cdGrupo) {
                g = &x;
                break;
            }
        }
        if (!g) {
            r.anota(Gravidade::Suspeita,
                    QStringLiteral("O produto pré-selecionado pertence ao grupo %1, que a promoção "
                                   "não tem válido nesta filial: a pré-seleção o coloca em outro "
                                   "grupo.")
                            .arg(cdGrupo) +
                        r.camada,
                    nullptr, cdProduto, m_nomes.value(cdProduto));
            continue;
        }
        const Oferta* o = nullptr;
        for (const Oferta& x : g->produtos) {
            if (x.codigo == cdProduto) {
                o = &x;
            }
        }
        if (!o && cdProduto != r.promocao) {
            r.anota(Gravidade::Suspeita,
                    QStringLiteral("O produto pré-selecionado não está entre os produtos do grupo: "
                                   "a pré-seleção coloca outro produto no lugar dele.") +
                        r.camada,
                    g, cdProduto, m_nomes.value(cdProduto));
            continue;
        }
        fixos[g->codigo].insert(cdProduto);
        if (o && !o->disponivel) {
            r.anota(Gravidade::VendeEmParte,
                    QStringLiteral("O produto pré-selecionado não pode ser colocado (%1).")
                        .arg(o->motivo),
                    g, o->codigo, o->nome);
        }
        if (!g->mutex.isEmpty()) {
            const QString primeiro = mutexPre.value(g->mutex);
            if (primeiro.isEmpty()) {
                mutexPre.insert(g->mutex, g->codigo);
            } else if (primeiro != g->codigo) {
                r.anota(Gravidade::Suspeita,
                        QStringLiteral("Há produtos pré-selecionados em dois grupos mutuamente "
                                       "exclusivos (%1 e %2): o segundo é recusado.")
                            .arg(primeiro, g->codigo),
                        g, cdProduto, m_nomes.value(cdProduto));
            }
        }
    }
}

void Auditor::avaliaObrigatorios(Relato& r, const QList<GrupoAvaliado>& lista,
                                 QHash<QString, QSet<QString>>& fixos)
{
    for (const GrupoAvaliado& g : lista) {
        for (const Oferta& o : g.produtos) {
            if (o.obrigatorio) {
                fixos[g.codigo].insert(o.codigo);
            }
        }
        const qsizetype n = fixos.value(g.codigo).size();
        if (g.quantidade > 0 && n > g.quantidade) {
            r.anota(Gravidade::Suspeita,
                    QStringLiteral("O grupo tem %1 produtos pré-selecionados ou obrigatórios e "
                                   "quantidade %2: o grupo passa da sua quantidade.")
                            .arg(n)
                            .arg(numero(g.quantidade)) +
                        r.camada,
                    &g);
        }
    }
    for (const auto& [cdGrupo, cdProduto] :
         m_catalogo.obrigatoriosForaDoGrupo(m_filial, r.promocao)) {
        GrupoAvaliado g;
        g.codigo = cdGrupo;
        r.anota(Gravidade::Suspeita,
                QStringLiteral("O produto está marcado como obrigatório no grupo %1, mas não é "
                               "produto desse grupo: a marcação não tem efeito.")
                        .arg(cdGrupo) +
                    r.camada,
                &g, cdProduto, m_nomes.value(cdProduto));
    }
}

void Auditor::avaliaCiclos(Relato& r, const QList<GrupoAvaliado>& lista)
{
    for (const GrupoAvaliado& g : lista) {
        for (const Oferta& o : g.produtos) {
            if (o.codigo == r.promocao || !ehPromocao(o.codigo)) {
                continue;
            }
            QSet<QString> vistos;
            const QString via = ciclo(o.codigo, o.codigo, vistos);
            if (!via.isEmpty()) {
                r.anota(Gravidade::Suspeita,
                        QStringLiteral("A promoção aninhada %1 aninha a si mesma (%2 → %1): "
                                       "na tela de adição ela seria vendida como produto "
                                       "comum, sem seus componentes.")
                            .arg(o.codigo, via),
                        &g, o.codigo, o.nome);
            }
        }
    }
}

// A campaign whose main product the promotion hands back, while one of its partners is
// in none of its groups, never completes inside it.
void Auditor::campanhas(const QString& promocao, const QString& nome,
                        const QSet<QString>& produtos, QList<Achado>& achados)
{
    QList<const Campanha*> candidatas;
    for (const QString& p : produtos) {
        candidatas += m_catalogo.campanhasDe(p);
    }
    std::sort(candidatas.begin(), candidatas.end(),
              [](const Campanha* a, const Campanha* b) { return a->codigo < b->codigo; });
    for (const Campanha* cp : candidatas) {
        const Campanha& c = *cp;
        QStringList faltam;
        for (const QString& p : c.combinados) {
            if (!produtos.contains(p)) {
                faltam << p;
            }
        }
        if (!faltam.isEmpty()) {
            Achado a = achado(promocao, nome, Gravidade::Suspeita,
                              QStringLiteral("A campanha %1 (%2) nunca se completa nesta promoção: "
                                             "%3 pode ser escolhido, mas %4 não está em nenhum "
                                             "grupo que possa ser escolhido.")
                                  .arg(c.codigo, c.nome, c.principal,
                                       faltam.join(QStringLiteral(", "))));
            a.produto = c.codigo;
            a.nomeProduto = c.nome;
            achados.append(a);
        }
    }
}

// Coupons are asked for the products of the main screen only, where the branch uses them
// and the station prints fiscal receipts.
void Auditor::cupons(const QSet<QString>& oferecidos, QList<Achado>& achados)
{
    if (getIDUTCUPOMDESC() != QLatin1String("S") || !m_estacao.boUtilizaImpFis) {
        return;
    }
    const QDateTime agora = host().now();
    for (const Cupom& c : m_catalogo.cupons()) {
        if (!c.filiais.isEmpty() && !c.filiais.contains(m_filial)) {
            continue;
        }
        Achado a = achado(QString(), QString(), Gravidade::Suspeita, QString());
        a.produto = c.codigo;
        if (!c.vigente) {
            a.motivo = QStringLiteral("O cupom não vale em %1 (vigência até %2): o operador "
                                      "recebe \"%3\".")
                           .arg(formatDate(agora, host().formatSettings()),
                                c.fim.isValid() ? formatDate(c.fim, host().formatSettings())
                                                : QStringLiteral("—"),
                                m_msg.Msg(QStringLiteral("CUPOM_IND")));
            achados.append(a);
            continue;
        }
        bool usado = false;
        for (const QString& p : c.produtos) {
            usado = usado || oferecidos.contains(p);
        }
        if (!usado) {
            a.motivo = QStringLiteral("O cupom vale só para produtos que nenhuma promoção "
                                      "oferece nesta filial (%1).")
                           .arg(c.produtos.join(QStringLiteral(", ")));
            achados.append(a);
        }
    }
}

void Auditor::auditaFilial(const QString& filial, ResultadoAuditoria& r)
{
    m_filial = filial;
    m_exibeProd = getExibeProd(filial);
    m_precos.clear();
    m_fiscal.clear();
    m_ehPromocao.clear();
    m_aninhadas.clear();
    QSet<QString> oferecidos;
    for (const auto& [codigo, nome] : m_catalogo.promocoes(filial)) {
        const Avaliacao a = avalia(codigo, nome, false, &r.achados);
        oferecidos.unite(a.produtos);
        ++r.promocoes;
    }
    cupons(oferecidos, r.achados);
}

}  // namespace

QString textoGravidade(Gravidade g)
{
    switch (g) {
    case Gravidade::NaoVende: return QStringLiteral("não pode ser vendida");
    case Gravidade::VendeEmParte: return QStringLiteral("só pode ser vendida em parte");
    case Gravidade::Suspeita: return QStringLiteral("suspeita");
    }
    return {};
}

QString chaveGravidade(Gravidade g)
{
    switch (g) {
    case Gravidade::NaoVende: return QStringLiteral("nao-vende");
    case Gravidade::VendeEmParte: return QStringLiteral("vende-em-parte");
    case Gravidade::Suspeita: return QStringLiteral("suspeita");
    }
    return {};
}

bool ResultadoAuditoria::algumaNaoVende() const
{
    for (const Achado& a : achados) {
        if (a.gravidade == Gravidade::NaoVende) {
            return true;
        }
    }
    return false;
}

ResultadoAuditoria auditaPromocoes(const Estacao& estacao, const OpcoesAuditoria& opcoes)
{
    const bool criado = rdmPromocaoCombinada == nullptr;
    TrdmPromocaoCombinada& modulo = ensureDataModule();
    ResultadoAuditoria r;
    const FormatSettings& fs = host().formatSettings();
    r.momento = formatDate(host().now(), fs) + QLatin1Char(' ') +
                host().now().toString(QStringLiteral("HH:mm"));
    try {
        Catalogo catalogo(modulo);
        r.filiais = opcoes.filial.isEmpty() ? catalogo.filiais() : QStringList{opcoes.filial};
        Auditor auditor(estacao, opcoes, catalogo);
        for (const QString& filial : r.filiais) {
            auditor.auditaFilial(filial, r);
        }
    } catch (...) {
        if (criado) {
            freeDataModule();
        }
        throw;
    }
    if (criado) {
        freeDataModule();
    }
    return r;
}

}  // namespace kvp::auditoria
