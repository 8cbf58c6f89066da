#include "itemrecord.h"

namespace kvp::records {

namespace {
const QString S(const char* s) { return QString::fromLatin1(s); }

FieldDefs without(const FieldDefs& all, const QStringList& drop)
{
    FieldDefs out;
    for (const FieldDef& f : all)
        if (!drop.contains(f.name))
            out.append(f);
    return out;
}
}  // namespace

FieldDefs itemProd()
{
    return {
        floatField(S("VRPRECOCLIE")),
        stringField(S("CDPRODUTO"), 20),
        stringField(S("NMPRODUTO"), 50),
        stringField(S("CDARVPROD"), 20),
        stringField(S("CDFILIAL"), 4),
        stringField(S("NRSEQ"), 3),
        stringField(S("CDGRUPROMOC"), 10),
        floatField(S("VRUNVENDAEST")),
        stringField(S("CDPRODVENDA"), 10),
        stringField(S("CDFAMILISALD"), 3),
        stringField(S("IDPESAPROD"), 1),
        stringField(S("SGUNIDADE"), 10),
        floatField(S("QTTARAPROD")),
        floatField(S("VRACRESCIMO")),
        floatField(S("VRDESCONTO")),
        floatField(S("QTPRODVEND")),
        floatField(S("VRDESITVENDAEST")),
        stringField(S("CDCAMPPROMO"), 10),
        stringField(S("CDGRUPMUTEX"), 10),
        stringField(S("IDOBRPRODSELEC"), 1),
        stringField(S("STOBSPEDIDO"), 2000),
        stringField(S("STOBSDIGITADA"), 2000),
        integerField(S("NRSEQITEMADD")),
        floatField(S("VRDESCDIA")),
        stringField(S("IDIMPGRPROMO"), 1),
        stringField(S("CDCUPOMDESCQMT"), 10),
        floatField(S("VRPRECOPROD")),
        stringField(S("NRSEQITCANC"), 3),
        floatField(S("VRACRITVENDAEST")),
        floatField(S("QTPRODVALIDA")),
        stringField(S("IDDESCCAMP"), 1),
        stringField(S("CDGRUPROMOCORIG"), 10),
        integerField(S("NRSEQ_ORD")),
    };
}

FieldDefs itemProdAdd()
{
    return without(itemProd(), {S("NRSEQITEMADD"), S("NRSEQ_ORD"), S("VRACRITVENDAEST"), S("VRDESCDIA"),
                                S("CDGRUPROMOCORIG"), S("IDDESCCAMP"), S("NRSEQITCANC")});
}

FieldDefs itemProdAux() { return itemProd().mid(0, 17); }

FieldDefs obsItens()
{
    return {
        stringField(S("NRSEQ"), 3),
        stringField(S("CDPRODUTO"), 10),
        stringField(S("CDGRPOCOR"), 2),
        stringField(S("CDOCORR"), 2),
        stringField(S("NRCOMANDA"), 10),
        stringField(S("NRSEQITCANC"), 3),
    };
}

FieldDefs obsItensAdd() { return without(obsItens(), {S("NRSEQITCANC")}); }

FieldDefs prodCtObs()
{
    return {
        stringField(S("NRSEQ"), 3),
        stringField(S("CDPRODUTO"), 10),
        floatField(S("QTPRODCOMVEN")),
        stringField(S("CDOCORR"), 2),
        stringField(S("IDIMPGRPROMO"), 1),
        stringField(S("NRSEQITCANC"), 3),
    };
}

FieldDefs prodCtObsAdd() { return without(prodCtObs(), {S("IDIMPGRPROMO"), S("NRSEQITCANC")}); }

FieldDefs retornaPreco()
{
    return {
        floatField(S("VRPRECO")),
        floatField(S("VRDESCONTO")),
        floatField(S("VRACRESCIMO")),
        floatField(S("VRPRECOCLIE")),
        stringField(S("IDPRECVARIA"), 1),
        stringField(S("IDPERCVALOR"), 1),
        stringField(S("IDACREDESC"), 1),
        floatField(S("VRPRECODIA")),
    };
}

FieldDefs aliqImpFis()
{
    return {stringField(S("CDALIQIMPFIS"), 10), floatField(S("VRALIQIMPFIS")), stringField(S("IDALIQIMPFIS"), 1)};
}

FieldDefs cupomDescVenda() { return {stringField(S("CDCUPOMDESCQMT"), 10)}; }

FieldDefs cuponsValidos()
{
    return {
        stringField(S("CDCUPOMDESCQMT"), 10),
        stringField(S("IDTIPODESC"), 1),
        floatField(S("VRDESCCUPOM")),
        dateTimeField(S("DTINIVIGENCIA")),
        dateTimeField(S("DTFIMVIGENCIA")),
        stringField(S("IDUSOUNICO"), 1),
    };
}

FieldDefs obs()
{
    FieldDefs f = {
        stringField(S("CDGRPOCOR"), 2),
        stringField(S("CDOCORR"), 2),
        stringField(S("CDTIPRISCO"), 2),
        stringField(S("DSOCORR"), 40),
        stringField(S("CDPRODUTO"), 10),
        stringField(S("IDCONTROLAOBS"), 1),
    };
    f[0].visible = false;
    f[1].displayLabel = QStringLiteral("Código");
    f[2].visible = false;
    f[3].displayLabel = QStringLiteral("Descrição");
    return f;
}

FieldDefs roteiro() { return {blobField(S("ROTEIRO"))}; }

FieldDefs ocorrencia() { return {stringField(S("CDOCORR"), 2)}; }

FieldDefs controlaObs()
{
    return {stringField(S("IDCONTROLAOBS"), 1), stringField(S("CDPRODUTO"), 10), stringField(S("CDOCORR"), 2)};
}

DataSet make(const QString& name, const FieldDefs& defs) { return DataSet(name, defs); }

}  // namespace kvp::records
