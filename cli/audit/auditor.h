#pragma once

// The audit of one branch, shared by the files that judge its parts: products
// (produtos.cpp), groups and their settings (grupos.cpp), campaigns and coupons
// (campanhas.cpp), and the promotion as a whole (auditoria.cpp).

#include "auditoria.h"
#include "catalogo.h"

#include "messages.h"
#include "regrasvenda.h"

#include <QHash>
#include <QSet>

namespace kvp::auditoria::detail {

const DataPacket& pacote(const DataResult& r, const char* funcao);
QString numero(double v);

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
    int colocados = 0;  // pre-selected products the screen places without the grid

    // The operator can fill it: from the grid, where a product may be repeated, or with
    // what the pre-selection has placed.
    bool completa() const { return disponiveis > 0 || (colocados > 0 && colocados >= exigida); }
};

// The price function's answer for one product at this branch, kept for the run.
struct Preco {
    const combinada::detail::FalhaPreco* falha = nullptr;
    QString erro;
    double valor = 0;
};

// Why none of a group's products can be chosen, product by product.
QString motivosProdutos(const GrupoAvaliado& g);

using Conjuntos = QHash<QString, QList<const GrupoAvaliado*>>;

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
        QString motivo;          // the first reason it does not
        QSet<QString> produtos;  // every product it can hand back, nested ones included
    };

    // One promotion's findings while it is judged: each is noted with the promotion's
    // names, and the first that stops the sale says why it does not sell.
    struct Relato {
        const Auditor& auditor;
        QString promocao;
        QString nome;
        QString modo;    // the price mode it is sold under: a nested one takes the outer's
        bool aninhada;   // judged as the add screen runs it
        QString camada;  // says when the branch's own settings replace the general ones
        Avaliacao av;
        QList<Achado> locais;

        void anota(Gravidade g, const QString& motivo, const GrupoAvaliado* grupo = nullptr,
                   const QString& produto = QString(), const QString& nomeProduto = QString());
    };

    // A promotion under the price mode it is sold in; a nested one is kept by code and
    // mode, since the add screen runs it under the outer promotion's mode.
    Avaliacao avalia(const QString& promocao, const QString& nome, const QString& modo,
                     bool aninhada, QList<Achado>* achados);
    // Products, as the grid lists them and a touch takes them.
    void avaliaProdutos(Relato& r, QList<GrupoAvaliado>& lista);
    void avaliaQuantidades(Relato& r, const QList<GrupoAvaliado>& lista,
                           const Conjuntos& conjuntos);
    void avaliaConjuntos(Relato& r, const Conjuntos& conjuntos);
    // Pre-selected products: where they land and whether they can be placed, judged as the
    // pre-selection places them (no grid in between).
    void avaliaPreSelecionados(Relato& r, QList<GrupoAvaliado>& lista,
                               QHash<QString, QSet<QString>>& fixos);
    // Obligatory products, with the pre-selected ones, against their group's quantity.
    void avaliaObrigatorios(Relato& r, const QList<GrupoAvaliado>& lista,
                            QHash<QString, QSet<QString>>& fixos);
    // Nesting that comes back to itself.
    void avaliaCiclos(Relato& r, const QList<GrupoAvaliado>& lista);
    QList<GrupoAvaliado> grupos(const QString& promocao);
    // naGrade: the product reaches the touch through the grid, which may hide it.
    void julgaProduto(const Relato& r, Oferta& o, bool naGrade, bool ultimo,
                      QSet<QString>& entregues);
    const Preco& preco(const QString& produto);
    QString recusaFiscal(const QString& produto);
    bool ehPromocao(const QString& produto);
    QString ciclo(const QString& raiz, const QString& atual, QSet<QString>& vistos);
    void campanhas(const QString& promocao, const QString& nome, const QSet<QString>& produtos,
                   QList<Achado>& achados);
    void cupons(const QSet<QString>& oferecidos, QList<Achado>& achados);

    Achado achado(const QString& promocao, const QString& nome, Gravidade g,
                  const QString& motivo) const;
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
    QHash<QString, Preco> m_precos;
    QHash<QString, QString> m_fiscal;
    QHash<QString, bool> m_ehPromocao;
    QHash<QString, Avaliacao> m_aninhadas;  // by code and mode
    QHash<QString, QString> m_nomes;
};

}  // namespace kvp::auditoria::detail
