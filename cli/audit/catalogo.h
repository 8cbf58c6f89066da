#pragma once

// What the audit reads that no screen asks for: the shop's branches and promotions, the
// settings the product list leaves aside, its campaigns and coupons. Plain SQL on the data
// module's connection, the same text for every dialect, bound by name.

#include "rdmpromocaocombinada.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

namespace kvp::auditoria {

struct Campanha {
    QString codigo, nome, principal;
    QStringList combinados;  // the partners the combination names, besides the main product
    // The products of the shop whose code occurs in the list of products that must all be
    // present (the lookup tests each code as a part of the text, separators and all).
    QStringList todos;
    QString opcionais;  // the list of products one of which must be present, as written
    bool vigente = false;    // at the host's "now"
};

struct Cupom {
    QString codigo;
    QStringList produtos;
    QStringList filiais;  // none: every branch
    bool vigente = false;
    QDateTime fim;
};

using Par = std::pair<QString, QString>;

class Catalogo {
public:
    explicit Catalogo(TrdmPromocaoCombinada& modulo);
    ~Catalogo();
    Catalogo(const Catalogo&) = delete;
    Catalogo& operator=(const Catalogo&) = delete;

    QStringList filiais();
    // Code and name of every promotion with groups in either layer for the branch.
    QList<Par> promocoes(const QString& filial);
    // Whether the branch layer governs the promotion's groups today.
    bool camadaDaFilial(const QString& filial, const QString& promocao);
    // The products of every group the promotion names, in either layer.
    QStringList promocoesNosGrupos(const QString& promocao);
    // Group and product of obligatory settings whose product is not in that group.
    QList<Par> obrigatoriosForaDoGrupo(const QString& filial, const QString& promocao);
    // Campaign combinations whose main product is the given one.
    QList<const Campanha*> campanhasDe(const QString& principal);
    const std::vector<Cupom>& cupons();

private:
    QSqlQuery& consulta(const char* texto);
    void carregaCampanhas();
    // Every product of the shop whose code is part of the text.
    QStringList produtosNomeados(const QString& lista);

    TrdmPromocaoCombinada& m_modulo;
    QHash<const char*, std::shared_ptr<QSqlQuery>> m_consultas;
    std::vector<Campanha> m_campanhas;
    QMultiHash<QString, qsizetype> m_porPrincipal;
    bool m_campanhasLidas = false;
    QSet<QString> m_produtos;  // every product code, read once for the campaigns' lists
    qsizetype m_maiorCodigo = 0;
    bool m_produtosLidos = false;
    std::vector<Cupom> m_cupons;
    bool m_cuponsLidos = false;
};

}  // namespace kvp::auditoria
