#pragma once

// The host's files as the screens read them at start-up: the parameter file and the
// printer's tax-rate file in the program folder, and the product pictures under the
// shop's data folder. Tela needs only the fields of the same names; the promotion audit
// reads the files through these too.

#include "combinadadetalhe.h"
#include "figurasdapasta.h"

#include "dataset.h"
#include "hostservices.h"

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <exception>

namespace kvp::combinada::detail {

// A flag of the parameter file: the host writes booleans as "S"/"N", "T"/"F",
// "True"/"False" or 1/0.
inline bool comoBooleano(const DataSet& ds, const QString& campo)
{
    const QString v = ds.asString(campo).trimmed().toUpper();
    return v == kS || v == QLatin1String("T") || v == QLatin1String("TRUE") ||
           v == QLatin1String("1") || v == QLatin1String("Y");
}

inline QString arquivoParametros()
{
    return QDir(host().programFolder()).filePath(QStringLiteral("PARAMETROSQMT.CDS"));
}

// The product pictures under the parameters' data folder (DSDIRCAD).
inline QDir pastaFiguras(const QString& dsDirCad)
{
    // The parameter's folder ends with a separator; QDir does not mind when it does not.
    return QDir(QDir(dsDirCad).filePath(QStringLiteral("dados/img/produto")));
}

// Lists the pictures' folder the host's parameter file names, so that the first screen
// of the process finds it listed (a shop's hundred thousand pictures take a while).
// Whatever is missing or wrong is left for that screen's start-up to report.
inline void preparaFigurasDaPasta()
{
    try {
        const QString arquivo = arquivoParametros();
        if (!QFileInfo::exists(arquivo)) {
            return;
        }
        const DataPacket p = DataPacket::loadFromFile(arquivo);
        const int campo = p.fieldIndex(QStringLiteral("DSDIRCAD"));
        if (p.rows.isEmpty() || campo < 0) {
            return;
        }
        static_cast<void>(FigurasDaPasta(pastaFiguras(p.rows.first().value(campo).toString())));
    } catch (const std::exception&) {
    }
}

template <class Tela>
struct RegrasArquivos {
    static QDir PastaFiguras(const Tela& t) { return pastaFiguras(t.stDsDirCad); }

    static QString FiguraProduto(const Tela& t, const QString& cdArvProd,
                                 const FigurasDaPasta& figuras)
    {
        if (!figuras.isEmpty()) {
            const QString candidatos[] = {QStringLiteral("p") + cdArvProd + QStringLiteral(".bmp"),
                                          QStringLiteral("Produto.bmp"),
                                          QStringLiteral("Producto.bmp"),
                                          QStringLiteral("Product.bmp")};
            for (const QString& nome : candidatos) {
                const QString caminho = figuras.procura(nome);
                if (!caminho.isEmpty()) {
                    return caminho;
                }
            }
        }
        return t.imgSemImagem.picture;
    }

    static void LeParametros(Tela& t)
    {
        const QString arquivo = arquivoParametros();
        if (!QFileInfo::exists(arquivo)) {
            return;  // no host parameters: empty branch, store and till codes
        }
        t.cdsParametrosQmt.setData(DataPacket::loadFromFile(arquivo));
        // A file without its record would open the screen on a blank branch with zero
        // prices: refuse it by name instead.
        if (t.cdsParametrosQmt.isEmpty()) {
            throw DataSetError(QStringLiteral("%1: the file holds no record").arg(arquivo));
        }
        t.cdsParametrosQmt.first();

        static const char* const campos[] = {
            "INCOR1",        "INCOR2",          "IDESQUEMA",      "CDFILIAL",      "CDLOJA",
            "UTILIZAIMPFIS", "IDTIPOIMPFIS",    "SISTEMAQMTNFCE", "SISTEMAQMTSAT", "IDCOLETOR",
            "DSDIRCAD",      "IDUTTABPRECLVDC", "CDCAIXA",        "IDSOLOBSPED",   "NRCONFTELA",
            "IDFECHACUPOM",  "IDAPLPREDIFCOMB", "IDADESAOREFTRIB"};
        // The multiplier and the scale are the main screen's alone.
        static const char* const camposPesagem[] = {"CTMULTIPLICADOR", "IDTIPOBAL", "CDPORTABAL",
                                                    "NRVELOCBAL"};
        auto exige = [&](const char* campo) {
            if (!t.cdsParametrosQmt.hasField(QLatin1String(campo))) {
                throw DataSetError(
                    QStringLiteral("%1: field '%2' not found").arg(arquivo, QLatin1String(campo)));
            }
        };
        for (const char* campo : campos) {
            exige(campo);
        }
        if constexpr (Tela::kPesaEMultiplica) {
            for (const char* campo : camposPesagem) {
                exige(campo);
            }
        }

        const DataSet& p = t.cdsParametrosQmt;
        t.stIdEsquema = p.asString(QStringLiteral("IDESQUEMA"));
        t.stCdFilial = p.asString(QStringLiteral("CDFILIAL"));
        t.stCdLoja = p.asString(QStringLiteral("CDLOJA"));
        t.boUtilizaImpFis = comoBooleano(p, QStringLiteral("UTILIZAIMPFIS"));
        t.nrIdTipoImpFis = p.asInteger(QStringLiteral("IDTIPOIMPFIS"));
        t.boSistemaQmtNfce = comoBooleano(p, QStringLiteral("SISTEMAQMTNFCE"));
        t.boSistemaQmtSat = comoBooleano(p, QStringLiteral("SISTEMAQMTSAT"));
        t.stIdColetor = p.asString(QStringLiteral("IDCOLETOR"));
        t.stDsDirCad = p.asString(QStringLiteral("DSDIRCAD"));
        t.stIdUtTabPrecLvdc = p.asString(QStringLiteral("IDUTTABPRECLVDC"));
        t.stCdCaixa = p.asString(QStringLiteral("CDCAIXA"));
        t.stIdSolObsPed = p.asString(QStringLiteral("IDSOLOBSPED"));
        t.stNrConfTela = p.asString(QStringLiteral("NRCONFTELA"));
        t.stIdFechaCupom = p.asString(QStringLiteral("IDFECHACUPOM"));
        t.stIdAplPreDifComb = p.asString(QStringLiteral("IDAPLPREDIFCOMB"));
        t.stIdAdesaoRefTrib = p.asString(QStringLiteral("IDADESAOREFTRIB"));
        if constexpr (Tela::kPesaEMultiplica) {
            t.nrCtMultiplicador = p.asInteger(QStringLiteral("CTMULTIPLICADOR"));
            t.stIdTipoBal = p.asString(QStringLiteral("IDTIPOBAL"));
            t.stCdPortaBal = p.asString(QStringLiteral("CDPORTABAL"));
            t.stNrVelocBal = p.asString(QStringLiteral("NRVELOCBAL"));
        }
    }

    static void LeAliquotas(Tela& t)
    {
        const QString arquivo =
            QDir(host().programFolder()).filePath(QStringLiteral("Dados/Cadastros/AliqImpFis.cds"));
        if (!QFileInfo::exists(arquivo)) {
            return;
        }
        t.cdsAliqImpFis.setData(DataPacket::loadFromFile(arquivo));
        t.cdsAliqImpFis.addIndex(QStringLiteral("idxIdAliqVrAliq"),
                                 QStringLiteral("IDALIQIMPFIS;VRALIQIMPFIS"));
    }
};

}  // namespace kvp::combinada::detail
