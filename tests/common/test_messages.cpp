#include "messages.h"

#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>

using namespace kvp;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QStringList list(std::initializer_list<const char*> items)
{
    QStringList result;
    for (const char* item : items) {
        result << s(item);
    }
    return result;
}

// A catalogue as written out in a file under data/catalogues: one "key|text" line each,
// trailing blanks kept; the file's final line feed ends the last line.
QStringList catalogueFile(const char* name)
{
    QFile file(QStringLiteral(KVP_TEST_DATA_DIR "/catalogues/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << file.fileName().toStdString();
        return {};
    }
    QString text = QString::fromUtf8(file.readAll());
    if (text.endsWith(QLatin1Char('\n'))) {
        text.chop(1);
    }
    return text.split(QLatin1Char('\n'));
}

void expectSameLines(const TMessages& catalogue, const char* file)
{
    const QStringList expected = catalogueFile(file);
    const QStringList actual = catalogue.lines();
    EXPECT_EQ(actual.size(), expected.size()) << file;
    for (qsizetype i = 0; i < std::min(actual.size(), expected.size()); ++i) {
        EXPECT_EQ(actual.at(i).toStdString(), expected.at(i).toStdString())
            << file << " line " << i + 1;
    }
}

}  // namespace

// Every line of every catalogue, in order and byte for byte: a text is what the operator
// reads, and a trailing blank is part of it.
TEST(ScreenCatalogues, HoldExactlyTheirLinesInOrder)
{
    expectSameLines(promocaoCombinadaMessages(), "promocaocombinada.txt");
    expectSameLines(promoCombAddMessages(), "promocombadd.txt");
    expectSameLines(hostMessages(), "hostwide.txt");
    EXPECT_EQ(promocaoCombinadaMessages().count(), 57);
    EXPECT_EQ(promoCombAddMessages().count(), 50);
}

TEST(ScreenCatalogues, LookUpWithoutRegardToCaseAndKeepEveryByte)
{
    for (const TMessages& m : {promocaoCombinadaMessages(), promoCombAddMessages()}) {
        EXPECT_EQ(m.Msg(s("PRECO")), s("Preço: "));
        EXPECT_EQ(m.Msg(s("PRECO_FINAL")), s("Preço Final: "));
        EXPECT_EQ(m.Msg(s("Acrescimo")), s("Acréscimo:"));
        EXPECT_EQ(m.Msg(s("desconto")), s("Desconto: "));
        EXPECT_EQ(m.Msg(s("Prod_bloqueado")),
                  s("Operação bloqueada. Produto indisponivel no momento."));
        EXPECT_EQ(m.Msg(s("CSTICMS_NCAD")),
                  s("Produto não pode ser vendido, pois não possui CST do ICMS parametrizado"));
        EXPECT_EQ(m.Msg(s("ALIQCOF_NCAD_FC")),
                  s("Produto não pode ser vendido, pois não possui Aliquota do COFINS "
                    "parametrizado e a filial utiliza a rotina de Fechamento de Cupom."));
        EXPECT_EQ(m.Msg(s("ALIQPIS_NCAD_FC")),
                  s("Produto não pode ser vendido, pois não possui Aliquota do PIS "
                    "parametrizado e a filial utiliza a rotina de Fechamento de Cupom."));
        EXPECT_TRUE(m.Msg(s("Figura_Prod")).contains(s("com o nome  Produto.BMP")));
    }
    EXPECT_EQ(promocaoCombinadaMessages().Msg(s("venda")), s("Venda de Produto"));
}

TEST(ScreenCatalogues, FillPlaceholdersLeftToRight)
{
    const TMessages m = promocaoCombinadaMessages();
    EXPECT_EQ(m.Msg(s("Qtda_Grupo2"), {s("2")}), s("Escolha 2 produtos."));
    EXPECT_EQ(m.Msg(s("deAte_Grup"), {s("1"), s("3")}), s("Escolha de 1 até 3 produtos."));
    EXPECT_EQ(m.Msg(s("GRUPO_EXCLUSIVO"), {QString(QChar(13))}),
              s("Já foi escolhido um grupo dentre os permitidos.\rVerifique a parametrização de "
                "Grupo Mutuamente Exclusivo."));
}

TEST(ScreenCatalogues, DuplicateKeyGivesTheFirstLine)
{
    const TMessages main = promocaoCombinadaMessages();
    EXPECT_EQ(main.keys().at(10), s("Preco_Zero"));
    EXPECT_EQ(main.keys().at(14), s("Preco_Zero"));
    EXPECT_EQ(main.Msg(s("preco_zero")), s("Preço do produto deve ser maior que zero."));

    const TMessages own(list({"Chave|primeiro", "CHAVE|segundo"}));
    EXPECT_EQ(own.Msg(s("chave")), s("primeiro"));
    EXPECT_EQ(own.count(), 2);
}

TEST(ScreenCatalogues, MissingKeysFallBackToTheHostThenToTheKey)
{
    const struct {
        const char* key;
        const char* text;
    } host[] = {
        {"Ope_Col", "Operação não permitida no modo coletor."},
        {"Qtde_Deve", "Quantidade deve ser informada."},
        {"Qtde_Dev1", "Quantidade deve ter no máximo 2 dígitos inteiros."},
        {"Qtde_Dev2", "Quantidade deve ter no máximo 4 dígitos inteiros."},
        {"VigenciaCli", "Não há tabela de preço do cliente vigente."},
    };
    for (const TMessages& m : {promocaoCombinadaMessages(), promoCombAddMessages()}) {
        for (const auto& h : host) {
            EXPECT_FALSE(m.contains(s(h.key))) << h.key;
            EXPECT_EQ(m.Msg(s(h.key)), s(h.text)) << h.key;
            EXPECT_EQ(m.Msg(s(h.key).toUpper()), s(h.text)) << h.key;
        }
        EXPECT_EQ(m.Msg(s("Nao_Existe")), s("Nao_Existe"));
        EXPECT_EQ(m.Msg(s("Nao_Existe"), {s("x")}), s("Nao_Existe"));
    }
    // The add screen lacks the weighing texts; they are no host text either.
    EXPECT_EQ(promoCombAddMessages().Msg(s("VENDA")), s("VENDA"));
    // A screen's own line wins over the host's.
    EXPECT_EQ(TMessages(list({"Ope_Col|local"})).Msg(s("ope_col")), s("local"));
}

TEST(TMessagesLines, TextIsEverythingAfterTheFirstBar)
{
    const QStringList lines = list({"a|x|y", "b|", "c|  dois brancos  "});
    const TMessages m(lines);
    EXPECT_EQ(m.Msg(s("a")), s("x|y"));
    EXPECT_EQ(m.Msg(s("b")), QString());
    EXPECT_EQ(m.Msg(s("c")), s("  dois brancos  "));
    EXPECT_EQ(m.lines(), lines);
}

TEST(TMessagesLines, MalformedLineIsRefusedNamingIt)
{
    for (const char* bad : {"sem barra", "|sem chave", ""}) {
        try {
            TMessages(list({"ok|texto", bad}));
            ADD_FAILURE() << "accepted: " << bad;
        } catch (const MessageCatalogueError& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(s("line 2"))) << e.what();
        }
    }
}
