// One till selling combos through the host's entry, for the test that runs several at once
// against one server: the module keeps module-wide state, so each till is a process.
//
//   kvp_till_driver CONNECTION TILL SALES FOLDER
//
// Sells SALES times the combo PROMO by call type "B" at branch 01, till TILL, from a
// program folder FOLDER of its own. An odd till sells A with B (the campaign C1 takes 1,00
// off A), an even one A with D (no campaign): a till that saw another's scratch rows
// would price its lines wrongly. Every hand-back must equal the first one. Prints one
// line "till TILL: N sold, M failed" and exits 0 only when every sale was confirmed
// alike.

#include "scriptedhost.h"
#include "scriptpresenter.h"

#include "itemrecord.h"
#include "kvp510.h"
#include "tfrmpromocaocombinada.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

using namespace kvp;

namespace {

void writeParameters(const QString& folder, const QString& till)
{
    const QList<QPair<QString, QString>> values = {
        {QStringLiteral("INCOR1"), QString()},
        {QStringLiteral("INCOR2"), QString()},
        {QStringLiteral("IDESQUEMA"), QStringLiteral("E1")},
        {QStringLiteral("CDFILIAL"), QStringLiteral("01")},
        {QStringLiteral("CDLOJA"), QStringLiteral("1")},
        {QStringLiteral("UTILIZAIMPFIS"), QStringLiteral("N")},
        {QStringLiteral("IDTIPOIMPFIS"), QStringLiteral("0")},
        {QStringLiteral("SISTEMAQMTNFCE"), QStringLiteral("N")},
        {QStringLiteral("SISTEMAQMTSAT"), QStringLiteral("N")},
        {QStringLiteral("IDCOLETOR"), QStringLiteral("N")},
        {QStringLiteral("DSDIRCAD"), folder + QLatin1Char('/')},
        {QStringLiteral("IDUTTABPRECLVDC"), QStringLiteral("N")},
        {QStringLiteral("CDCAIXA"), till},
        {QStringLiteral("IDSOLOBSPED"), QStringLiteral("N")},
        {QStringLiteral("NRCONFTELA"), QStringLiteral("7")},
        {QStringLiteral("IDFECHACUPOM"), QStringLiteral("N")},
        {QStringLiteral("IDAPLPREDIFCOMB"), QStringLiteral("N")},
        {QStringLiteral("CTMULTIPLICADOR"), QStringLiteral("12")},
        {QStringLiteral("IDTIPOBAL"), QStringLiteral("0")},
        {QStringLiteral("CDPORTABAL"), QStringLiteral("COM1")},
        {QStringLiteral("NRVELOCBAL"), QStringLiteral("9600")},
        {QStringLiteral("IDADESAOREFTRIB"), QStringLiteral("N")},
    };
    DataPacket p;
    Row row;
    for (const auto& [name, value] : values) {
        p.fields.append(stringField(name, 255));
        row.append(value);
    }
    p.rows.append(row);
    p.saveToFile(QDir(folder).filePath(QStringLiteral("PARAMETROSQMT.CDS")));
}

void touch(combinada::TfrmPromocaoCombinada& s, const QString& product)
{
    for (int k = 1; k <= combinada::kSlotsProduto; ++k) {
        screen::Control& img = s.imgProd(k);
        if (img.visible && img.productCode == product) {
            s.deliver([&] { s.bpbProd01Click(&img); });
            return;
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: kvp_till_driver CONNECTION TILL SALES FOLDER\n");
        return 2;
    }
    const QString till = args.at(2);
    const int sales = args.at(3).toInt();
    const QString folder = args.at(4);
    QDir().mkpath(folder);
    writeParameters(folder, till);
    const QString second = till.toInt() % 2 == 1 ? QStringLiteral("B") : QStringLiteral("D");

    test::ScriptedHost host;
    host.setProgramFolder(folder);
    host.setConnectionString(args.at(1));
    host.setPrice(QStringLiteral("A"), 12.00);
    host.setPrice(QStringLiteral("B"), 9.00);
    host.setPrice(QStringLiteral("D"), 5.00);
    installHost(&host);

    QString first;
    int sold = 0;
    int failed = 0;
    for (int n = 1; n <= sales; ++n) {
        screen::ScriptPresenter presenter;
        screen::installPresenter(&presenter);
        presenter.then([&](screen::Form& f) {
            auto& s = dynamic_cast<combinada::TfrmPromocaoCombinada&>(f);
            touch(s, QStringLiteral("A"));
            touch(s, second);
            s.deliver([&] { s.bldConfirmarClick(); });
            if (!s.closeRequested()) {
                host.answerQuestion(true);
                s.deliver([&] { s.bldCancelarClick(); });
            }
        });
        DataSet itens(QStringLiteral("cdsItensRet"), records::itemProd());
        DataSet obs(QStringLiteral("cdsObsRet"), records::obsItens());
        DataSet ctObs(QStringLiteral("cdsCtObsRet"), records::prodCtObs());
        DataSet vendidos(QStringLiteral("cdsItensVendidos"), records::itemProd());
        host.clearCalls();
        const bool confirmed = combinada::CriaPromocaoInteligente(
            itens, obs, ctObs, QStringLiteral("PROMO"), QStringLiteral("COMBO"), QString(), QString(),
            QStringLiteral("2"), QStringLiteral("V"), QStringLiteral("D"), 0, 0, 1, false, false,
            QString::number(n), vendidos, QStringLiteral("B"));
        QStringList lines;
        for (itens.first(); !itens.eof(); itens.next())
            lines << itens.asString(QStringLiteral("CDPRODUTO")) + QLatin1Char(' ')
                         + itens.asString(QStringLiteral("VRUNVENDAEST")) + QLatin1Char(' ')
                         + itens.asString(QStringLiteral("VRDESCONTO")) + QLatin1Char(' ')
                         + itens.asString(QStringLiteral("CDCAMPPROMO"));
        const QString handed = lines.join(QStringLiteral(" | "));
        if (first.isEmpty() && confirmed)
            first = handed;
        if (confirmed && lines.size() == 2 && handed == first) {
            ++sold;
        } else {
            if (++failed <= 5)
                std::fprintf(stderr, "till %s sale %d: %s [%s] %s\n", qPrintable(till), n,
                         confirmed ? "confirmed" : "not confirmed", qPrintable(handed),
                         qPrintable(host.messages().join(QStringLiteral(" / "))));
        }
        host.forgetAnswers();
    }
    installHost(nullptr);
    std::printf("till %s: %d sold, %d failed, lines %s\n", qPrintable(till), sold, failed,
                qPrintable(first));
    return failed == 0 ? 0 : 1;
}
