// Pricing of the selection screen: the division of a fixed promotion price among the
// items. The price lookup and the shared portion of combined products are in
// regraspreco.h.

#include "combinadadetalhe.h"
#include "tfrmpromocaocombinada.h"

#include "hostservices.h"
#include "oplog.h"
#include "textformat.h"

#include <cmath>

namespace kvp::combinada {

bool TfrmPromocaoCombinada::RetornaFrac(double valor) const
{
    const FormatSettings& fs = host().formatSettings();
    const QString texto = shortestText(valor - std::trunc(valor), fs);
    const qsizetype virgula = texto.indexOf(fs.decimalSeparator);
    if (virgula < 0) {
        return false;
    }
    const qsizetype terceira = virgula + 3;
    if (terceira >= texto.size()) {
        return false;
    }
    // A share below a ten-thousandth is written with an exponent ("1,23E-5"); its
    // character here is no digit and the share is rounded the ordinary way.
    const QChar c = texto.at(terceira);
    return c.isDigit() && c.digitValue() < 5;
}

void TfrmPromocaoCombinada::DividePrecoProduto()
{
    DataSet& itens = cdsItemProd;
    const detail::SemFiltro semFiltro(itens);
    // Groups priced on their own keep the price item insertion gave them.
    itens.applyFilter(Filter::ne(QStringLiteral("IDIMPGRPROMO"), detail::kS));

    if (itens.locate(QStringLiteral("CDPRODUTO"), stCdProdPromo)) {
        itens.edit();
        itens.setValue(QStringLiteral("VRUNVENDAEST"), vrPrecoDividir);
        itens.post();
        for (itens.first(); !itens.eof(); itens.next()) {
            if (itens.asString(QStringLiteral("CDPRODUTO")) != stCdProdPromo) {
                itens.edit();
                itens.setValue(QStringLiteral("VRUNVENDAEST"), 0.0);
                itens.post();
            }
        }
        return;
    }

    const int n = itens.recordCount();
    double parte = n > 0 ? vrPrecoDividir / n : 0.0;
    // Rounded up to the cent: no item is priced below its exact share.
    parte = RetornaFrac(parte) ? RoundDec(parte + 0.005, 2) : RoundDec(parte, 2);

    double soma = 0;
    for (itens.first(); !itens.eof(); itens.next()) {
        itens.edit();
        itens.setValue(QStringLiteral("VRUNVENDAEST"), parte);
        itens.post();
        soma += parte;
    }
    if (n > 0 && soma > vrPrecoDividir) {
        itens.last();
        itens.edit();
        itens.setValue(QStringLiteral("VRDESITVENDAEST"),
                       Trunc2(soma - vrPrecoDividir) * nrQtdePromo);
        itens.post();
    }
}

}  // namespace kvp::combinada
