// The audit's findings for people (grouped by branch and promotion, worst first) and for
// tools (JSON).

#include "auditoria.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

namespace kvp::auditoria {

namespace {

QString comNome(const QString& codigo, const QString& nome)
{
    return nome.isEmpty() ? codigo : QStringLiteral("%1 (%2)").arg(nome, codigo);
}

QString linha(const Achado& a)
{
    QString onde;
    if (!a.grupo.isEmpty()) {
        onde += QStringLiteral("grupo %1").arg(comNome(a.grupo, a.nomeGrupo));
    }
    if (!a.produto.isEmpty()) {
        if (!onde.isEmpty()) {
            onde += QStringLiteral(", ");
        }
        onde += (a.promocao.isEmpty() ? QStringLiteral("cupom %1") : QStringLiteral("%1"))
                    .arg(comNome(a.produto, a.nomeProduto));
    }
    return QStringLiteral("  [%1] %2%3").arg(textoGravidade(a.gravidade),
                                             onde.isEmpty() ? QString() : onde + QStringLiteral(": "),
                                             a.motivo);
}

}  // namespace

QString relatorioTexto(const ResultadoAuditoria& r)
{
    QString out = QStringLiteral("Auditoria das promoções combinadas em %1, filial(is) %2: "
                                 "%3 promoção(ões) auditada(s).\n")
                      .arg(r.momento, r.filiais.join(QStringLiteral(", ")))
                      .arg(r.promocoes);
    // Branch and promotion in the order met; coupons after the promotions.
    QList<QString> ordem;
    QMap<QString, QList<const Achado*>> porChave;
    for (const Achado& a : r.achados) {
        const QString chave = a.filial + QLatin1Char('\x1f') +
                              (a.promocao.isEmpty() ? QStringLiteral("\x7f") : a.promocao);
        if (!porChave.contains(chave)) {
            ordem.append(chave);
        }
        porChave[chave].append(&a);
    }
    int naoVende = 0, emParte = 0, suspeitas = 0;  // promotions, by their worst finding
    int porGravidade[3] = {0, 0, 0};                // findings, as their tags show them
    for (const QString& chave : ordem) {
        QList<const Achado*> lista = porChave.value(chave);
        std::stable_sort(lista.begin(), lista.end(), [](const Achado* a, const Achado* b) {
            return static_cast<int>(a->gravidade) < static_cast<int>(b->gravidade);
        });
        const Achado& primeiro = *lista.constFirst();
        if (primeiro.promocao.isEmpty()) {
            out += QStringLiteral("\nCupons, filial %1\n").arg(primeiro.filial);
        } else {
            out += QStringLiteral("\n%1, filial %2: %3\n")
                       .arg(comNome(primeiro.promocao, primeiro.nomePromocao), primeiro.filial,
                            textoGravidade(primeiro.gravidade));
            switch (primeiro.gravidade) {
            case Gravidade::NaoVende: ++naoVende; break;
            case Gravidade::VendeEmParte: ++emParte; break;
            case Gravidade::Suspeita: ++suspeitas; break;
            }
        }
        for (const Achado* a : lista) {
            out += linha(*a) + QLatin1Char('\n');
            ++porGravidade[static_cast<int>(a->gravidade)];
        }
    }
    if (r.achados.isEmpty()) {
        out += QStringLiteral("\nNenhum problema encontrado.\n");
    } else {
        out += QStringLiteral("\nResumo: %1 promoção(ões) não pode(m) ser vendida(s), %2 só em "
                              "parte, %3 só suspeita(s); achados: %4 [%7], %5 [%8], %6 [%9].\n")
                   .arg(naoVende)
                   .arg(emParte)
                   .arg(suspeitas)
                   .arg(porGravidade[0])
                   .arg(porGravidade[1])
                   .arg(porGravidade[2])
                   .arg(textoGravidade(Gravidade::NaoVende), textoGravidade(Gravidade::VendeEmParte),
                        textoGravidade(Gravidade::Suspeita));
    }
    return out;
}

QByteArray relatorioJson(const ResultadoAuditoria& r)
{
    QJsonArray achados;
    for (const Achado& a : r.achados) {
        achados.append(QJsonObject{
            {QStringLiteral("filial"), a.filial},
            {QStringLiteral("promocao"), a.promocao},
            {QStringLiteral("nomePromocao"), a.nomePromocao},
            {QStringLiteral("grupo"), a.grupo},
            {QStringLiteral("nomeGrupo"), a.nomeGrupo},
            {QStringLiteral("produto"), a.produto},
            {QStringLiteral("nomeProduto"), a.nomeProduto},
            {QStringLiteral("gravidade"), chaveGravidade(a.gravidade)},
            {QStringLiteral("textoGravidade"), textoGravidade(a.gravidade)},
            {QStringLiteral("motivo"), a.motivo},
        });
    }
    const QJsonObject raiz{
        {QStringLiteral("momento"), r.momento},
        {QStringLiteral("filiais"), QJsonArray::fromStringList(r.filiais)},
        {QStringLiteral("promocoes"), r.promocoes},
        {QStringLiteral("naoVende"), r.algumaNaoVende()},
        {QStringLiteral("achados"), achados},
    };
    return QJsonDocument(raiz).toJson(QJsonDocument::Indented);
}

}  // namespace kvp::auditoria
