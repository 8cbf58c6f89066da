// The audit of one branch: every promotion's groups, their products as the product grid
// and a touch would judge them, the pre-selected and obligatory products as they are
// placed, the exclusive sets, nested promotions under the mode they are sold in,
// campaigns and coupons.

#include "auditor.h"

#include "hostservices.h"
#include "regrasarquivos.h"
#include "srv_kvp510.h"
#include "textformat.h"

namespace kvp::auditoria {

using namespace combinada::detail;

void Estacao::leArquivosDoHost()
{
    RegrasArquivos<Estacao>::LeParametros(*this);
    RegrasArquivos<Estacao>::LeAliquotas(*this);
}

namespace detail {

Achado Auditor::achado(const QString& promocao, const QString& nome, Gravidade g,
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

Auditor::Avaliacao Auditor::avalia(const QString& promocao, const QString& nome,
                                   const QString& modoPromo, bool aninhada,
                                   QList<Achado>* achados)
{
    const QString chave = promocao + QLatin1Char('\x1f') + modoPromo;
    if (aninhada) {
        auto it = m_aninhadas.constFind(chave);
        if (it != m_aninhadas.constEnd()) {
            return *it;
        }
    }
    Relato r{*this,
             promocao,
             nome,
             modoPromo,
             aninhada,
             m_catalogo.camadaDaFilial(m_filial, promocao)
                 ? QStringLiteral(" (configuração própria da filial %1, que substitui a geral)")
                       .arg(m_filial)
                 : QString(),
             {},
             {}};

    QList<GrupoAvaliado> lista = grupos(promocao);
    if (lista.isEmpty()) {
        r.anota(Gravidade::NaoVende,
                QStringLiteral("A promoção não tem nenhum grupo válido em %1 com produtos "
                               "cadastrados: a confirmação nunca é aceita.")
                        .arg(formatDate(host().now(), host().formatSettings())) +
                    r.camada);
    }
    avaliaProdutos(r, lista);
    // What the pre-selection places fills a group before the operator chooses; its
    // findings are reported after the groups' own.
    QHash<QString, QSet<QString>> fixos;  // group -> pre-selected or obligatory products
    const qsizetype antes = r.locais.size();
    avaliaPreSelecionados(r, lista, fixos);
    const QList<Achado> daPreSelecao = r.locais.mid(antes);
    r.locais.resize(antes);
    Conjuntos conjuntos;
    for (const GrupoAvaliado& g : lista) {
        if (!g.mutex.isEmpty()) {
            conjuntos[g.mutex].append(&g);
        }
    }
    avaliaQuantidades(r, lista, conjuntos);
    avaliaConjuntos(r, conjuntos);
    r.locais.append(daPreSelecao);
    avaliaObrigatorios(r, lista, fixos);
    if (!aninhada) {
        avaliaCiclos(r, lista);
    }

    if (aninhada) {
        m_aninhadas.insert(chave, r.av);
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
        const Avaliacao a = avalia(codigo, nome, modo(codigo), false, &r.achados);
        oferecidos.unite(a.produtos);
        ++r.promocoes;
    }
    cupons(oferecidos, r.achados);
}

}  // namespace detail

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
        detail::Auditor auditor(estacao, opcoes, catalogo);
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
