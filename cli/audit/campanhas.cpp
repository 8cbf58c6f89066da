// Campaigns that never complete inside a promotion, and coupons no operator can use.

#include "auditor.h"

#include "hostservices.h"
#include "srv_kvp510.h"
#include "textformat.h"

#include <algorithm>

namespace kvp::auditoria::detail {

// A campaign whose main product the promotion hands back never completes inside it when
// a partner it requires is in none of its groups: the combined products, every product
// its list of required ones names, or none of the products its list of alternatives names.
void Auditor::campanhas(const QString& promocao, const QString& nome, const QSet<QString>& produtos,
                        QList<Achado>& achados)
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
        for (const QString& p : c.combinados + c.todos) {
            if (!produtos.contains(p) && !faltam.contains(p)) {
                faltam << p;
            }
        }
        bool umaOpcao = c.opcionais.isEmpty();
        for (const QString& p : produtos) {
            umaOpcao = umaOpcao || c.opcionais.contains(p);
        }
        QString motivo;
        if (!faltam.isEmpty()) {
            motivo = QStringLiteral(
                         "A campanha %1 (%2) nunca se completa nesta promoção: %3 pode "
                         "ser escolhido, mas %4 não está em nenhum grupo que possa ser "
                         "escolhido.")
                         .arg(c.codigo, c.nome, c.principal, faltam.join(QStringLiteral(", ")));
        } else if (!umaOpcao) {
            motivo = QStringLiteral(
                         "A campanha %1 (%2) nunca se completa nesta promoção: %3 pode "
                         "ser escolhido, mas nenhum dos produtos de \"%4\" está em um "
                         "grupo que possa ser escolhido.")
                         .arg(c.codigo, c.nome, c.principal, c.opcionais);
        }
        if (!motivo.isEmpty()) {
            Achado a = achado(promocao, nome, Gravidade::Suspeita, motivo);
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
            a.motivo = QStringLiteral(
                           "O cupom não vale em %1 (vigência até %2): o operador "
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
            a.motivo = QStringLiteral(
                           "O cupom vale só para produtos que nenhuma promoção "
                           "oferece nesta filial (%1).")
                           .arg(c.produtos.join(QStringLiteral(", ")));
            achados.append(a);
        }
    }
}

}  // namespace kvp::auditoria::detail
