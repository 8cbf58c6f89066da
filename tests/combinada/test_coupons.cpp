// Discount coupons: the discount on the line it is typed for, to the cent, its validity
// dates, single use within the selection, and the refusals.

#include "selectionfixture.h"

#include "rdmpromocaocombinada.h"

namespace kvp::test {
namespace {

class Coupons : public Selection {
protected:
    void SetUp() override
    {
        Selection::SetUp();
        db->insert(S("PARAMGERAL"), {{"CDPARAMGERAL", S("01")}, {"IDUTCUPOMDESC", S("S")}});
        // Coupons need the fiscal printer in use; type 16 takes any tax rate.
        writeParameters({{S("UTILIZAIMPFIS"), S("S")}, {S("IDTIPOIMPFIS"), S("16")}});
        sellable(S("C1"), 12.50, 0.50);
        addGroup(S("G1"), {S("C1")}, quantity(0));
    }
    void coupon(const char* code, const char* type, double value, const QVariant& from = {},
                const QVariant& to = {}, const char* once = "N")
    {
        db->insert(S("CUPOMDESCQMT"), {{"CDCUPOMDESCQMT", S(code)},
                                       {"IDTIPODESC", S(type)},
                                       {"VRDESCCUPOM", value},
                                       {"DTINIVIGENCIA", from},
                                       {"DTFIMVIGENCIA", to},
                                       {"IDUSOUNICO", S(once)}});
        db->insert(S("PRODCUPOMDESC"), {{"CDCUPOMDESCQMT", S(code)}, {"CDPRODUTO", S("C1")}});
    }
    void touchWith(const char* code)
    {
        host.answerCoupon(S(code));
        touch(S("C1"));
    }
    const QString indisponivel = S("Cupom de desconto indisponível para o produto selecionado.");
};

TEST_F(Coupons, TheDiscountAndItsCeilingFollowTheLineValue)
{
    coupon("P10", "P", 10);
    coupon("V30", "V", 30);
    coupon("P100", "P", 100);
    auto& s = start();
    struct Case {
        const char* code;
        double discount;
    };
    for (const Case c : {Case{"P10", 2.40}, Case{"V30", 23.99}, Case{"P100", 24.00}}) {
        host.answerCoupon(S(c.code));
        s.controlaValorCupom(2, 12.50, 1.00, 0, S("C1"));
        EXPECT_DOUBLE_EQ(s.vrLimiteCupom, 24.00) << c.code;
        EXPECT_NEAR(s.vrDescCupom, c.discount, 1e-9) << c.code;
        EXPECT_EQ(s.stCdCupomDesc, S(c.code));
    }
    EXPECT_EQ(host.callsOf(S("CriaInfAdicional")).first().args,
              (QVariantList{S(""), S(""), S(""), S(""), S(""), S(""), S("E1"), S(""), S("S")}));
}

// 12,50 each, two units on the line (two promotions, or one with the multiplier at 2), own
// discount 0,50 a unit: the coupon works on a line of 25,00 less 1,00 and goes in once.
TEST_F(Coupons, ACouponIsCountedOnceOnTheWholeLineAndNeverReachesItsValue)
{
    coupon("P10", "P", 10);
    coupon("V30", "V", 30);
    coupon("P100", "P", 100);
    struct Case {
        const char* code;
        double line;
    };
    for (const bool multiplier : {false, true}) {
        for (const Case c : {Case{"P10", 3.40}, Case{"V30", 24.99}, Case{"P100", 23.99}}) {
            auto& s = start(S("2"), multiplier ? 1 : 2);
            if (multiplier)
                s.SetdoQtdeMult(2);
            touchWith(c.code);
            ASSERT_EQ(lineCount(), 1);
            const std::string context = std::string(c.code) + (multiplier ? " multiplier" : "");
            EXPECT_DOUBLE_EQ(money(1, "QTPRODVEND"), 2) << context;
            EXPECT_NEAR(money(1, "VRDESCONTO"), c.line, 1e-9) << context;
            EXPECT_NEAR(money(1, "VRDESCDIA"), c.line, 1e-9) << context;
            EXPECT_EQ(text(1, "CDCUPOMDESCQMT"), S(c.code)) << context;
            EXPECT_EQ(column(s.cdsCupomDescVenda, "CDCUPOMDESCQMT"), QStringList{S(c.code)});
        }
    }
}

TEST_F(Coupons, NoCodeLeavesTheOwnDiscountAndAnUnknownCodeIsRefused)
{
    start(S("2"), 2);
    touchWith("");
    touchWith("NOPE");
    EXPECT_EQ(column("VRDESCONTO"), (QStringList{S("1"), S("1")}));
    EXPECT_EQ(column("CDCUPOMDESCQMT"), (QStringList{S(""), S("")}));
    EXPECT_EQ(warnings(), QStringList{indisponivel});
}

TEST_F(Coupons, OnlyACouponWithinItsDatesIsAccepted)
{
    const QDate today = host.now().date();  // 06/12/2026, 09:05:30
    coupon("OLD", "V", 1, QDate(2026, 1, 1), today.addDays(-1));
    coupon("SOON", "V", 1, today.addDays(1), QDate(2027, 1, 1));
    coupon("MORNING", "V", 1, QDate(2026, 1, 1), QDateTime(today, QTime(9, 0)));
    coupon("TODAY", "V", 1, QDate(2026, 1, 1), today);
    coupon("OPEN", "V", 1);
    start();
    for (const char* code : {"OLD", "SOON", "MORNING", "TODAY", "OPEN"})
        touchWith(code);
    EXPECT_EQ(column("CDCUPOMDESCQMT"), (QStringList{S(""), S(""), S(""), S("TODAY"), S("OPEN")}));
    EXPECT_EQ(column("VRDESCONTO"),
              (QStringList{S("0.5"), S("0.5"), S("0.5"), S("1.5"), S("1.5")}));
    EXPECT_EQ(warnings(), (QStringList{indisponivel, indisponivel, indisponivel}));
}

TEST_F(Coupons, ASingleUseCouponServesOneLineUntilThatLineIsRemoved)
{
    coupon("UNICO", "V", 2, {}, {}, "S");
    auto& s = start();
    touchWith("UNICO");
    touchWith("UNICO");
    EXPECT_EQ(column("CDCUPOMDESCQMT"), (QStringList{S("UNICO"), S("")}));
    EXPECT_EQ(warnings(), QStringList{S("Cupom de desconto com uso único já usado nesta venda.")});

    s.BandejaClick(trayPicture(1));
    EXPECT_TRUE(s.cdsCupomDescVenda.isEmpty());
    touchWith("UNICO");
    EXPECT_EQ(column("CDCUPOMDESCQMT"), (QStringList{S(""), S("UNICO")}));
}

// An insertion that fails after its coupon went in takes the coupon back with the line:
// the single-use coupon is accepted on the retry.
TEST_F(Coupons, AFailedInsertionGivesItsSingleUseCouponBack)
{
    coupon("UNICO", "V", 2, {}, {}, "S");
    auto& s = start();
    const struct Unhook {
        ~Unhook() { setDataCallHook({}); }
    } unhook;
    setDataCallHook([](const QString& call) {
        if (call == S("adqOcorPed"))
            throw DataModuleError(S("injected failure"));
    });
    touchWith("UNICO");
    setDataCallHook({});
    ASSERT_EQ(lineCount(), 0);
    EXPECT_TRUE(s.cdsCupomDescVenda.isEmpty());
    touchWith("UNICO");
    EXPECT_EQ(column("CDCUPOMDESCQMT"), QStringList{S("UNICO")});
}

TEST_F(Coupons, NoPromptWhereCouponsAreNotInUse)
{
    db->exec(S("UPDATE PARAMGERAL SET IDUTCUPOMDESC = 'N'"));
    start();
    touch(S("C1"));
    writeParameters({{S("UTILIZAIMPFIS"), S("N")}});
    db->exec(S("UPDATE PARAMGERAL SET IDUTCUPOMDESC = 'S'"));
    start();
    touch(S("C1"));
    EXPECT_TRUE(host.callsOf(S("CriaInfAdicional")).isEmpty());
    EXPECT_DOUBLE_EQ(money(1, "VRDESCONTO"), 0.5);
}

}  // namespace
}  // namespace kvp::test
