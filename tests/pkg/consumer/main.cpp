// A host that knows the module only through its installed package: with no host
// services installed, the entry must answer false and return normally.

#include <kvp510.h>

#include <itemrecord.h>

#include <cstdio>

int main()
{
    kvp::DataSet itens(QStringLiteral("itens"), kvp::records::itemProd());
    kvp::DataSet obs(QStringLiteral("obs"), kvp::records::obsItens());
    kvp::DataSet ctObs(QStringLiteral("ctObs"), kvp::records::prodCtObs());
    kvp::DataSet vendidos(QStringLiteral("vendidos"), kvp::records::itemProd());
    const QString vazio;
    const bool ok =
        CriaPromocaoInteligente(itens, obs, ctObs, vazio, vazio, vazio, vazio, QStringLiteral("1"),
                                vazio, vazio, 10.0, 0.0, 1.0, false, false, vazio, vendidos, vazio);
    if (ok || kvp::combinada::frmPromocaoCombinada != nullptr) {
        std::puts("entry answered true or left its screen behind");
        return 1;
    }
    std::puts("entry answered false");
    return 0;
}
