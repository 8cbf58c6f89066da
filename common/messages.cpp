#include "messages.h"

#include "textformat.h"

#include <QByteArray>

namespace kvp {

namespace {

// The main screen's catalogue in its stored order; the add screen's is derived from it
// so one text is never kept twice.
// clang-format off
constexpr const char* kPromocaoCombinada[] = {
    "Qtda_Grup|Escolha %s produto.",  // 1
    "Qtda_Grupo2|Escolha %s produtos.",  // 2
    "Adic_Grup|Escolha o adicional.",  // 3
    "Ate_Grup|Escolha até %s produtos.",  // 4
    "deAte_Grup|Escolha de %s até %s produtos.",  // 5
    "sair|Deseja sair da tela de promoção combinada?",  // 6
    "Quan_Exce|Quantidade de produtos não pode ser excedida.",  // 7
    "Preco_deve|Preço do produto deve ser cadastrado.",  // 8
    "TabePrec|Tabela de preço deve ser parametrizada.",  // 9
    "VigenciaPar|Não há tabela de preço padrão vigente.",  // 10
    "Preco_Zero|Preço do produto deve ser maior que zero.",  // 11
    "IMPOSTO_ERR|Produto não pode ser vendido, pois possui mais de um imposto parametrizado.",  // 12
    "IMPOS_NCAD|Produto não pode ser vendido, pois não possui um imposto parametrizado.",  // 13
    "ALIQ_NCAD|Alíquota não cadastrada na impressora fiscal.",  // 14
    "Preco_Zero|Preço do produto deve ser maior que zero.",  // 15
    "VigenciaLoj|Não há tabela de preço da loja vigente.",  // 16
    "Figura_Prod|Para que as fotos possam aparecer nesta tela basta criar um arquivo para cada produto: P+{Código do Produto[CDARVPROD].BMP} e copiá-lo no diretório: %s. Ex: P5120102002.BMP ou criar uma imagem com o nome  Produto.BMP para ser padrão.",  // 17
    "Prod_bloqueado|Operação bloqueada. Produto indisponivel no momento.",  // 18
    "qtda_Menor|Operação bloqueada. Faltam produtos a serem informados para a conclusão do pedido nas seguintes páginas: %s",  // 19
    "Acrescimo|Acréscimo:",  // 20
    "Desconto|Desconto: ",  // 21
    "Preco|Preço: ",  // 22
    "Preco_final|Preço Final: ",  // 23
    "PROD_OBR|Operação bloqueada! O produto é obrigatório na promoção.",  // 24
    "Prod_Fora_Hora|Operação bloqueada. Produto fora do horário permitido para venda.",  // 25
    "GRUPO_EXCLUSIVO|Já foi escolhido um grupo dentre os permitidos.%sVerifique a parametrização de Grupo Mutuamente Exclusivo.",  // 26
    "NCM_NCAD|Produto não pode ser vendido, pois não possui NCM parametrizado.",  // 27
    "CFOP_NCAD|Produto não pode ser vendido, pois não possui CFOP parametrizado.",  // 28
    "CSTICMS_NCAD|Produto não pode ser vendido, pois não possui CST do ICMS parametrizado",  // 29
    "CSTPC_NCAD|Produto não pode ser vendido, pois não possui CST do PIS/COFINS parametrizado.",  // 30
    "ALIQPIS_NCAD|Produto não pode ser vendido, pois não possui Aliquota do PIS parametrizado.",  // 31
    "ALIQCOF_NCAD|Produto não pode ser vendido, pois não possui Aliquota do COFINS parametrizado.",  // 32
    "CSOSN_INV|Produto não pode ser vendido, pois não possui um CSOSN de ICMS válido (102, 103, 300, 400, 500 ou 900).",  // 33
    "CSTICMS_INV|Produto não pode ser vendido, pois não possui um CST de ICMS válido (00, 20, 40, 41, 60 ou 90).",  // 34
    "NCM_NCAD_FC|Produto não pode ser vendido, pois não possui NCM parametrizado e a filial utiliza a rotina de Fechamento de Cupom.",  // 35
    "CFOP_NCAD_FC|Produto não pode ser vendido, pois não possui CFOP parametrizado e a filial utiliza a rotina de Fechamento de Cupom.",  // 36
    "CSTICMS_NCAD_FC|Produto não pode ser vendido, pois não possui CST do ICMS parametrizado e a filial utiliza a rotina de Fechamento de Cupom.",  // 37
    "CSTPC_NCAD_FC|Produto não pode ser vendido, pois não possui CST do PIS/COFINS parametrizado e a filial utiliza a rotina de Fechamento de Cupom.",  // 38
    "ALIQCOF_NCAD_FC|Produto não pode ser vendido, pois não possui Aliquota do COFINS parametrizado e a filial utiliza a rotina de Fechamento de Cupom.",  // 39
    "ALIQPIS_NCAD_FC|Produto não pode ser vendido, pois não possui Aliquota do PIS parametrizado e a filial utiliza a rotina de Fechamento de Cupom.",  // 40
    "COD_CUPOM|Cupom de Desconto",  // 41
    "CUPOM_IND|Cupom de desconto indisponível para o produto selecionado.",  // 42
    "CUPOMDESC_JA|Item com cupom de desconto já aplicado!",  // 43
    "CUPOMUNICO_JA|Cupom de desconto com uso único já usado nesta venda.",  // 44
    "Frac_Dev|Quantidade de casas decimais deve ser menor ou igual a 3.",  // 45
    "VENDA|Venda de Produto",  // 46
    "Inf_Quant|Informe o peso do produto",  // 47
    "ProdPesa_N_Per|Não é possível selecionar um produto pesado para mais de uma quantidade de Promoção Combinada.",  // 48
    "Inf_Quant_2|Informe a quantidade a ser vendida",  // 49
    "bal_zero|A balança está vazia ou desligada. Deseja pesar o produto novamente?",  // 50
    "bal_neg|A balança está com valor negativo. Favor informar o peso manualmente.",  // 51
    "REGRAFISPDV_NCAD|Produto não pode ser vendido, pois não possui regra fiscal parametrizada.",  // 52
    "CSTIBSCBS_NCAD|Produto não pode ser vendido, pois não possui CST do IBS/CBS parametrizado.",  // 53
    "CLATRIBIBSCBS_NCAD|Produto não pode ser vendido, pois não possui classificação tributária do IBS/CBS parametrizada.",  // 54
    "ALIQIBSUF_NCAD|Produto não pode ser vendido, pois não possui alíquota do IBS UF parametrizada.",  // 55
    "ALIQCBS_NCAD|Produto não pode ser vendido, pois não possui alíquota do CBS parametrizada.",  // 56
    "ALIQIBSMUN_NCAD|Produto não pode ser vendido, pois não possui alíquota do IBS Mun. parametrizada.",  // 57
};
// clang-format on

// The add screen has no scale or typed quantity, so it carries none of their texts.
constexpr const char* kWithoutOnAddScreen[] = {
    "Frac_Dev", "VENDA", "Inf_Quant", "ProdPesa_N_Per", "Inf_Quant_2", "bal_zero", "bal_neg",
};
constexpr const char* kLastOnAddScreen = "GRUPO_EXCLUSIVO";

constexpr const char* kHost[] = {
    "Ope_Col|Operação não permitida no modo coletor.",
    "Qtde_Deve|Quantidade deve ser informada.",
    "Qtde_Dev1|Quantidade deve ter no máximo 2 dígitos inteiros.",
    "Qtde_Dev2|Quantidade deve ter no máximo 4 dígitos inteiros.",
    "VigenciaCli|Não há tabela de preço do cliente vigente.",
    "Qtde_Invalida|Quantidade inválida: ",
    "Peso_Invalido|Peso inválido: ",
};

template <std::size_t N>
QStringList toLines(const char* const (&lines)[N])
{
    QStringList result;
    result.reserve(static_cast<qsizetype>(N));
    for (const char* line : lines) {
        result << QString::fromUtf8(line);
    }
    return result;
}

QString keyOf(const QString& line)
{
    return line.section(QLatin1Char('|'), 0, 0);
}

}  // namespace

MessageCatalogueError::MessageCatalogueError(const QString& message)
    : std::invalid_argument(message.toStdString())
{
}

TMessages::TMessages(const QStringList& lines)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        const qsizetype bar = line.indexOf(QLatin1Char('|'));
        if (bar <= 0) {
            throw MessageCatalogueError(
                QStringLiteral("Message catalogue line %1 is not \"key|text\": \"%2\"")
                    .arg(QString::number(i + 1), line));
        }
        const QString key = line.left(bar);
        const QString folded = key.toCaseFolded();
        if (!m_firstByFoldedKey.contains(folded)) {  // the first of duplicate keys wins
            m_firstByFoldedKey.insert(folded, m_keys.size());
        }
        m_keys << key;
        m_texts << line.mid(bar + 1);
    }
}

std::optional<QString> TMessages::find(const QString& key) const
{
    const auto it = m_firstByFoldedKey.constFind(key.toCaseFolded());
    if (it == m_firstByFoldedKey.cend()) {
        return std::nullopt;
    }
    return m_texts.at(*it);
}

QString TMessages::Msg(const QString& key) const
{
    if (auto text = find(key)) {
        return *text;
    }
    if (this != &hostMessages()) {
        if (auto text = hostMessages().find(key)) {
            return *text;
        }
    }
    return key;
}

QString TMessages::Msg(const QString& key, const QStringList& args) const
{
    return fillText(Msg(key), args);
}

QStringList TMessages::lines() const
{
    QStringList result;
    result.reserve(m_keys.size());
    for (qsizetype i = 0; i < m_keys.size(); ++i) {
        result << m_keys.at(i) + QLatin1Char('|') + m_texts.at(i);
    }
    return result;
}

TMessages promocaoCombinadaMessages()
{
    return TMessages(toLines(kPromocaoCombinada));
}

TMessages promoCombAddMessages()
{
    const QStringList dropped = toLines(kWithoutOnAddScreen);
    const QString last = QString::fromUtf8(kLastOnAddScreen);
    QStringList lines;
    QString lastLine;
    for (const QString& line : toLines(kPromocaoCombinada)) {
        const QString key = keyOf(line);
        if (dropped.contains(key)) {
            continue;
        }
        if (key == last) {
            lastLine = line;
            continue;
        }
        lines << line;
    }
    lines << lastLine;
    return TMessages(lines);
}

const TMessages& hostMessages()
{
    static const TMessages catalogue(toLines(kHost));
    return catalogue;
}

}  // namespace kvp
