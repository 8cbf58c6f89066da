#pragma once

// Whole sales through the host's entry on one of the test backends: the catalogue helpers
// the sale tests share, an operator that touches, confirms or leaves, and one call of
// CriaPromocaoInteligente with what the host got back.

#include "backendselection.h"
#include "faultplanter.h"

#include "kvp510.h"
#include "tfrmpromocombadd.h"

#include <QSqlQuery>

#include <functional>

namespace kvp::test {

// What the host holds after one call.
struct Outcome {
    bool confirmed = false;
    DataPacket items, obs, ctObs;
};

// One line per row, each value as text: what a failed comparison prints.
inline std::string describe(const DataPacket& p)
{
    QStringList lines;
    for (const Row& row : p.rows) {
        QStringList values;
        for (int i = 0; i < row.size() && i < p.fields.size(); ++i)
            if (!row.at(i).toString().isEmpty())
                values << p.fields.at(i).name + QLatin1Char('=') + row.at(i).toString();
        lines << values.join(QLatin1Char(' '));
    }
    return lines.join(QLatin1Char('\n')).toStdString();
}

class EntrySale : public BackendSelection {
protected:
    void createShopDatabase() override
    {
        BackendSelection::createShopDatabase();
        host.setConnectionString(FaultPlanter::connectionString(*shop));
    }

    // A group of `promo` offering the products, `quantity` of them required.
    void promoGroup(const QString& promo, const QString& group, const QString& name,
                    const QStringList& products, double quantity, int order)
    {
        ScreenTest::group(group, name, products);
        db->insert(S("GRUPROMOCPROD"), {{"CDPRODPROMOCAO", promo},
                                        {"CDGRUPROMOC", group},
                                        {"NRSEQGRPROMO", 1},
                                        {"QTPRGRUPPROMOC", quantity},
                                        {"QTPRGRUPROMIN", quantity},
                                        {"NRORDPROMOGRUP", order},
                                        {"CDGRUPMUTEX", QVariant()},
                                        {"IDAPLICADESC", S("S")},
                                        {"IDIMPGRPROMO", S("N")},
                                        {"IDCOMBINAPROD", S("N")},
                                        {"DTINIVGGRPROMO", QVariant()},
                                        {"DTFINVGGRPROMO", QVariant()}});
    }

    // --- The operator -------------------------------------------------------------

    // Touches the product's picture when the screen shows it.
    template <typename Screen>
    void tap(Screen& s, const QString& product, int slots)
    {
        for (int k = 1; k <= slots; ++k) {
            screen::Control& img = s.imgProd(k);
            if (img.visible && img.productCode == product) {
                s.deliver([&] { s.bpbProd01Click(&img); });
                return;
            }
        }
    }

    // Confirms unless a message told of a failure (the operator would not confirm a sale
    // the screen had refused part of); leaves the screen when it stays open.
    template <typename Screen>
    void confirmOrLeave(Screen& s)
    {
        if (warnings().isEmpty())
            s.deliver([&] { s.bldConfirmarClick(); });
        if (s.closeRequested())
            return;
        host.answerQuestion(true);
        s.deliver([&] { s.bldCancelarClick(); });
    }

    void onMain(std::function<void(combinada::TfrmPromocaoCombinada&)> steps)
    {
        m_steps->then([steps](screen::Form& f) {
            if (auto* s = dynamic_cast<combinada::TfrmPromocaoCombinada*>(&f))
                steps(*s);
        });
    }

    void onAdd(std::function<void(add::TfrmPromoCombAdd&)> steps)
    {
        m_steps->then([steps](screen::Form& f) {
            if (auto* s = dynamic_cast<add::TfrmPromoCombAdd*>(&f))
                steps(*s);
        });
    }

    static DataPacket packet(const FieldDefs& fields, const QList<Row>& rows)
    {
        DataPacket p;
        p.fields = fields;
        p.rows = rows;
        return p;
    }

    // --- One call ------------------------------------------------------------------

    struct Sale {
        Sale(QString mode, double amount, QString type, std::function<void()> steps)
            : priceMode(std::move(mode)), price(amount), callType(std::move(type)),
              operatorSteps(std::move(steps))
        {
        }
        QString priceMode;
        double price = 0;
        QString callType;
        std::function<void()> operatorSteps;
        QString promo = S("PROMO");
        QString name = S("COMBO");
        QString customer;
    };

    Outcome call(const Sale& sale)
    {
        // A presenter of its own per call: steps a failed call never reached go with it.
        screen::ScriptPresenter run;
        screen::installPresenter(&run);
        m_steps = &run;
        DataSet itens{S("cdsItensRet"), records::itemProd()};
        DataSet obs{S("cdsObsRet"), records::obsItens()};
        DataSet ctObs{S("cdsCtObsRet"), records::prodCtObs()};
        sale.operatorSteps();
        Outcome out;
        out.confirmed = combinada::CriaPromocaoInteligente(
            itens, obs, ctObs, sale.promo, sale.name, sale.customer, QString(), sale.priceMode,
            S("V"), S("D"), sale.price, 0, 1, false, false, S("V1"), itensVendidos, sale.callType);
        leftOpen = run.runsLeftOpen();
        m_steps = &presenter;
        screen::installPresenter(&presenter);
        host.forgetAnswers();
        out.items = itens.data();
        out.obs = obs.data();
        out.ctObs = ctObs.data();
        return out;
    }

    QStringList storedNumbers()
    {
        QSqlQuery q(db->database());
        EXPECT_TRUE(q.exec(S("SELECT DISTINCT NRSEQPRODCOM FROM PROMOCAOCOMBAUX ORDER BY NRSEQPRODCOM")));
        QStringList out;
        while (q.next())
            out << q.value(0).toString();
        return out;
    }

    int leftOpen = 0;
    screen::ScriptPresenter* m_steps = &presenter;
};

}  // namespace kvp::test
