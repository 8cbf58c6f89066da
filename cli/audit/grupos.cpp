// A promotion's groups against their settings: quantities and minimums, exclusive sets,
// pre-selected and obligatory products, and nesting that comes back to itself.

#include "auditor.h"

namespace kvp::auditoria::detail {

// Quantities: what each group demands against what it can offer.
void Auditor::avaliaQuantidades(Relato& r, const QList<GrupoAvaliado>& lista,
                                const Conjuntos& conjuntos)
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
        if (g.exigida > 0 && !g.completa()) {
            const GrupoAvaliado* alternativa = nullptr;
            for (const GrupoAvaliado* outro : conjuntos.value(g.mutex)) {
                if (outro != &g && outro->completa()) {
                    alternativa = outro;
                }
            }
            const QString base =
                QStringLiteral(
                    "O grupo exige %1 produto(s) e não oferece nenhum que possa ser "
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
        } else if (g.quantidade == 0 && g.exigida == 0 && !g.completa() && !g.produtos.isEmpty()) {
            r.anota(Gravidade::Suspeita,
                    QStringLiteral("O grupo opcional não oferece nenhum produto que possa ser "
                                   "escolhido (%1).")
                        .arg(motivosProdutos(g)),
                    &g);
        }
    }
}

void Auditor::avaliaConjuntos(Relato& r, const Conjuntos& conjuntos)
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
            algumCompleta = algumCompleta || g->completa();
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

void Auditor::avaliaPreSelecionados(Relato& r, QList<GrupoAvaliado>& lista,
                                    QHash<QString, QSet<QString>>& fixos)
{
    DataSet pre(QStringLiteral("cdsPreSelecionados"));
    pre.setData(pacote(getPreSelecionados(m_filial, r.promocao), "getPreSelecionados"));
    QHash<QString, QString> mutexPre;  // exclusive set -> group of its first pre-selection
    for (pre.first(); !pre.eof(); pre.next()) {
        const QString cdGrupo = pre.asString(QStringLiteral("CDGRUPROMOC"));
        const QString cdProduto = pre.asString(QStringLiteral("CDPRODUTO"));
        GrupoAvaliado* g = nullptr;
        for (GrupoAvaliado& x : lista) {
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
        if (o) {
            // Placed as a touch would take it, but without the grid: a product the grid
            // hides (a zero price) is placed all the same.
            Oferta colocada = *o;
            colocada.disponivel = true;
            julgaProduto(r, colocada, false, false, r.av.produtos);
            if (colocada.disponivel) {
                ++g->colocados;
            } else {
                r.anota(Gravidade::VendeEmParte,
                        QStringLiteral("O produto pré-selecionado não pode ser colocado (%1).")
                            .arg(colocada.motivo),
                        g, o->codigo, o->nome);
            }
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

}  // namespace kvp::auditoria::detail
