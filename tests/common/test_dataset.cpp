#include "dataset.h"
#include "dataresult.h"
#include "itemrecord.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <limits>

using namespace kvp;

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

DataSet products()
{
    DataSet ds(S("cdsProdutos"), {stringField(S("CDPRODUTO"), 20), stringField(S("NMPRODUTO"), 50),
                                  floatField(S("VRPRECO")), integerField(S("NRSEQITEMADD"))});
    const struct {
        const char* code;
        const char* name;
        double price;
        int add;
    } rows[] = {{"X-1", "Hambúrguer", 12.5, 0},
                {"O'BRIEN", "Batata d'água", 7.0, 3},
                {"x-1", "hambúrguer pequeno", 9.0, 3},
                {"REFRI", "Refrigerante", 5.0, 0}};
    for (const auto& r : rows) {
        ds.append();
        ds.setValue(S("CDPRODUTO"), S(r.code));
        ds.setValue(S("NMPRODUTO"), S(r.name));
        ds.setValue(S("VRPRECO"), r.price);
        ds.setValue(S("NRSEQITEMADD"), r.add);
        ds.post();
    }
    return ds;
}

QStringList codes(DataSet& ds)
{
    QStringList out;
    for (ds.first(); !ds.eof(); ds.next())
        out << ds.asString(S("CDPRODUTO"));
    return out;
}

}  // namespace

TEST(DataSetFilter, QuoteInValueFiltersCorrectlyInBothForms)
{
    DataSet ds = products();
    ds.applyFilter(Filter::eq(S("CDPRODUTO"), S("O'BRIEN")));
    EXPECT_EQ(codes(ds), QStringList{S("O'BRIEN")});

    // The text form doubles the quote, and the canonical text round-trips.
    const Filter f = Filter::eq(S("CDPRODUTO"), S("O'BRIEN"));
    EXPECT_EQ(f.text(), S("CDPRODUTO = 'O''BRIEN'"));
    ds.applyFilter(Filter::parse(f.text()));
    EXPECT_EQ(ds.recordCount(), 1);

    // A quote that is not doubled is a clear error, not a silent wrong match.
    EXPECT_THROW(ds.setFilter(S("CDPRODUTO = 'O'BRIEN'")), DataSetError);
}

TEST(DataSetFilter, ComparisonsAreExactAndTyped)
{
    DataSet ds = products();
    ds.applyFilter(Filter::parse(S("CDPRODUTO = 'X-1'")));
    EXPECT_EQ(codes(ds), QStringList{S("X-1")}) << "string comparison is case-sensitive";

    // Integer field compared with a quoted number, as the screens write it.
    ds.applyFilter(Filter::parse(S("NRSEQITEMADD = '3'")));
    EXPECT_EQ(ds.recordCount(), 2);

    ds.applyFilter(Filter::parse(S("CDPRODUTO <> 'X-1' AND (VRPRECO >= 7 OR NMPRODUTO IS NULL)")));
    EXPECT_EQ(codes(ds), (QStringList{S("O'BRIEN"), S("x-1")}));

    // Two blanks after "=", as some callers build it.
    ds.applyFilter(Filter::parse(S("NRSEQITEMADD =  '0' AND CDPRODUTO = 'REFRI'")));
    EXPECT_EQ(ds.recordCount(), 1);

    // A text longer than the field equals none of its values and differs from all.
    const QString longer = S("X-1") + QString(20, QLatin1Char(' '));
    ds.applyFilter(Filter::eq(S("CDPRODUTO"), longer));
    EXPECT_EQ(ds.recordCount(), 0);
    ds.applyFilter(Filter::ne(S("CDPRODUTO"), longer));
    EXPECT_EQ(ds.recordCount(), 4);

    EXPECT_THROW(ds.setFilter(S("NOSUCHFIELD = 'A'")), DataSetError);
    ds.setFiltered(false);
    EXPECT_EQ(ds.recordCount(), 4);
}

TEST(DataSetFilter, IsNullMatchesEmptyText)
{
    DataSet ds(S("c"), {stringField(S("CDCLIENTE"), 10), integerField(S("N"))});
    for (const QVariant& v : {QVariant(), QVariant(S("")), QVariant(S("C1"))}) {
        ds.append();
        ds.setValue(S("CDCLIENTE"), v);
        ds.post();
    }
    ds.applyFilter(Filter::isNull(S("CDCLIENTE")));
    EXPECT_EQ(ds.recordCount(), 2);
    ds.applyFilter(Filter::eq(S("CDCLIENTE"), S("C1")).or_(Filter::isNull(S("CDCLIENTE"))));
    EXPECT_EQ(ds.recordCount(), 3);
}

TEST(DataSetFilter, PrintedTextParsesBackToTheSameFilter)
{
    // Names that are no plain word go in brackets, "]" doubled; NULL stays NULL; a number
    // printed with an exponent reads back.
    for (const char* text : {"[a b] = 1", "[x]]y] IS NOT NULL", "[NOT] = 'n' AND [] <> 2", "[é-1] = NULL",
                             "V > 1e+20 AND V < -1.5e-07", "A = 1 AND B = 2 AND (C = 3 OR D = 4 OR E = 5)",
                             "NOT NOT (A = 1 AND B = 2) AND C = 3"}) {
        const Filter f = Filter::parse(S(text));
        EXPECT_EQ(f.text(), S(text));
        EXPECT_EQ(Filter::parse(f.text()).text(), f.text());
    }
    DataSet ds(S("odd"), {stringField(S("a b"), 5), stringField(S("x]y"), 5)});
    ds.append();
    ds.setValue(S("a b"), S("1"));
    ds.post();
    ds.applyFilter(Filter::parse(Filter::eq(S("a b"), S("1")).and_(Filter::isNull(S("x]y"))).text()));
    EXPECT_EQ(ds.recordCount(), 1);
    ds.applyFilter(Filter::parse(S("[a b] = '2'")));
    EXPECT_EQ(ds.recordCount(), 0);
}

TEST(DataSetFilter, DeepNestingIsAClearErrorAndLongChainsStayFlat)
{
    auto failure = [](const QString& text) -> std::string {
        try {
            Filter::parse(text);
        } catch (const DataSetError& e) {
            return e.what();
        }
        return "accepted";
    };
    const QString brackets = S("(").repeated(5000) + S("A = 1") + S(")").repeated(5000);
    const QString nots = S("NOT ").repeated(100000) + S("A = 1");
    for (const QString& deep : {brackets, nots}) {
        const std::string why = failure(deep);
        EXPECT_NE(why.find("nests more than 100 levels"), std::string::npos) << why;
        EXPECT_LT(why.size(), 400u) << "a huge text is not copied whole into the message";
    }
    // Both bounds are exact: 100 nested brackets and NOTs parse, 101 do not; and a tree
    // stops at 100 levels (99 NOTs over their comparison).
    const auto inBrackets = [](int n) -> QString { return S("(").repeated(n) + S("A = 1") + S(")").repeated(n); };
    const auto underNots = [](int n) -> QString { return S("NOT ").repeated(n) + S("A = 1"); };
    const auto notBrackets = [](int n) -> QString { return S("NOT (").repeated(n / 2) + S("A = 1") + S(")").repeated(n / 2); };
    const std::pair<QString, bool> bounds[] = {{inBrackets(100), true},  {inBrackets(101), false},
                                               {underNots(99), true},    {underNots(100), false},
                                               {notBrackets(100), true}, {notBrackets(102), false}};
    for (const auto& [text, accepted] : bounds) {
        const std::string why = failure(text);
        EXPECT_EQ(why == "accepted", accepted) << text.left(30).toStdString() << ": " << why;
    }

    // 10,000 terms, read or built in code, are one level: they print, re-parse and filter.
    QStringList terms;
    Filter built;
    for (int i = 0; i < 10000; ++i) {
        terms << S("N <> %1").arg(i);
        built = built.and_(Filter::ne(S("N"), i));
    }
    const QString chain = terms.join(S(" AND "));
    EXPECT_EQ(Filter::parse(chain).text(), chain);
    EXPECT_EQ(built.text(), chain);
    DataSet ds(S("n"), {integerField(S("N"))});
    for (int n : {5, 10000}) {
        ds.append();
        ds.setValue(S("N"), n);
        ds.post();
    }
    ds.applyFilter(built);
    EXPECT_EQ(ds.recordCount(), 1);

    // Alternating AND and OR in code nests; past the bound it is refused, not printed.
    Filter alternating = Filter::eq(S("N"), 0);
    EXPECT_THROW(
        for (int i = 0; i < 200; ++i) alternating =
            (i % 2 ? alternating.and_(Filter::eq(S("N"), i)) : alternating.or_(Filter::eq(S("N"), i))),
        DataSetError);
}

TEST(DataSetCursor, WalkEditDeleteUnderFilter)
{
    DataSet ds = products();
    ds.applyFilter(Filter::eq(S("NRSEQITEMADD"), 3));
    ASSERT_EQ(ds.recordCount(), 2);
    ds.first();
    EXPECT_EQ(ds.recNo(), 1);
    EXPECT_FALSE(ds.eof());
    ds.next();
    EXPECT_EQ(ds.recNo(), 2);
    ds.next();
    EXPECT_TRUE(ds.eof());
    EXPECT_EQ(ds.asString(S("CDPRODUTO")), S("x-1")) << "at end the cursor stays on the last row";

    // Delete the whole filtered set the way the tray removes a nested set.
    ds.first();
    while (!ds.eof())
        ds.remove();
    EXPECT_EQ(ds.recordCount(), 0);
    ds.setFiltered(false);
    EXPECT_EQ(codes(ds), (QStringList{S("X-1"), S("REFRI")}));

    // Setting a value outside edit mode is a programming error, not a silent no-op.
    ds.first();
    EXPECT_THROW(ds.setValue(S("VRPRECO"), 1.0), DataSetError);
    ds.edit();
    ds.setValue(S("VRPRECO"), S("3,25"));  // typed text with the decimal comma
    ds.post();
    EXPECT_DOUBLE_EQ(ds.asFloat(S("VRPRECO")), 3.25);
    ds.edit();
    ds.setValue(S("VRPRECO"), 99.0);
    ds.cancel();
    EXPECT_DOUBLE_EQ(ds.asFloat(S("VRPRECO")), 3.25);

    // Moving on while editing keeps the edit rather than losing it.
    ds.edit();
    ds.setValue(S("VRPRECO"), 4.5);
    ds.next();
    ds.first();
    EXPECT_DOUBLE_EQ(ds.asFloat(S("VRPRECO")), 4.5);
    EXPECT_EQ(ds.state(), DataSet::State::Browse);
}

TEST(DataSetCursor, EmptyDatasetIsAtBothEnds)
{
    DataSet ds(S("e"), {stringField(S("A"), 3)});
    EXPECT_TRUE(ds.eof());
    EXPECT_TRUE(ds.bof());
    EXPECT_EQ(ds.recNo(), 0);
    EXPECT_TRUE(ds.asString(S("A")).isEmpty());
    EXPECT_THROW(ds.edit(), DataSetError);
    EXPECT_THROW(ds.remove(), DataSetError);
}

TEST(DataSetLocate, OneOrSeveralKeysWithQuotes)
{
    DataSet ds = products();
    EXPECT_TRUE(ds.locate(S("CDPRODUTO"), S("O'BRIEN")));
    EXPECT_EQ(ds.asString(S("NMPRODUTO")), S("Batata d'água"));

    EXPECT_TRUE(ds.locate(S("CDPRODUTO;NRSEQITEMADD"), {S("x-1"), 3}));
    EXPECT_EQ(ds.recNo(), 3);
    EXPECT_FALSE(ds.locate(S("CDPRODUTO;NRSEQITEMADD"), {S("x-1"), 0}));
    EXPECT_EQ(ds.recNo(), 3) << "a failed locate leaves the cursor alone";

    EXPECT_TRUE(ds.locate(S("CDPRODUTO"), S("refri"), LocateOption::CaseInsensitive));
    EXPECT_TRUE(ds.locate(S("NMPRODUTO"), S("Refri"), LocateOption::PartialKey));
    EXPECT_FALSE(ds.locate(S("NRSEQITEMADD"), S("not a number")));
    EXPECT_THROW(ds.locate(S("CDPRODUTO;NMPRODUTO"), QVariantList{S("X-1")}), DataSetError);

    // Locate sees only the rows the filter lets through.
    ds.applyFilter(Filter::eq(S("NRSEQITEMADD"), 0));
    EXPECT_FALSE(ds.locate(S("CDPRODUTO"), S("O'BRIEN")));
}

TEST(DataSetIndex, OrdersAndKeepsCursorOnPostedRow)
{
    DataSet ds = products();
    ds.addIndex(S("byPrice"), S("VRPRECO"), false, true);
    ds.setIndexName(S("byPrice"));
    EXPECT_EQ(codes(ds), (QStringList{S("X-1"), S("x-1"), S("O'BRIEN"), S("REFRI")}));

    IndexDef byName{S("byName"), {S("NMPRODUTO")}, true, false, {}};
    ds.addIndex(byName);
    ds.setIndexName(S("byName"));
    EXPECT_EQ(codes(ds), (QStringList{S("O'BRIEN"), S("X-1"), S("x-1"), S("REFRI")}));

    // Mixed directions: code ascending (case-sensitive), price descending.
    ds.addIndex(IndexDef{S("mixed"), {S("NRSEQITEMADD"), S("VRPRECO")}, false, false, {S("VRPRECO")}});
    ds.setIndexName(S("mixed"));
    EXPECT_EQ(codes(ds), (QStringList{S("X-1"), S("REFRI"), S("x-1"), S("O'BRIEN")}));

    // After an edit moves a row in the order, the cursor follows it.
    ds.setIndexName(S("byPrice"));
    ASSERT_TRUE(ds.locate(S("CDPRODUTO"), S("REFRI")));
    ds.edit();
    ds.setValue(S("VRPRECO"), 100.0);
    ds.post();
    EXPECT_EQ(ds.recNo(), 1);
    EXPECT_EQ(ds.asString(S("CDPRODUTO")), S("REFRI"));

    EXPECT_THROW(ds.setIndexName(S("nope")), DataSetError);
    EXPECT_THROW(ds.addIndex(S("bad"), S("NOFIELD")), DataSetError);
}

TEST(DataPacketTest, PacketCarriesEveryRowWhateverTheFilter)
{
    DataSet ds = products();
    ds.applyFilter(Filter::eq(S("CDPRODUTO"), S("REFRI")));
    ASSERT_EQ(ds.recordCount(), 1);
    const DataPacket p = ds.data();
    EXPECT_EQ(p.rows.size(), 4);

    DataSet copy(S("copy"));
    copy.setData(p);
    EXPECT_EQ(copy.recordCount(), 4);
    EXPECT_EQ(copy.fields(), ds.fields());

    // Copying a packet in replaces structure and rows.
    DataSet other(S("other"), {integerField(S("ONLY"))});
    other.append();
    other.setValue(S("ONLY"), 1);
    other.post();
    other.setData(p);
    EXPECT_FALSE(other.hasField(S("ONLY")));
    EXPECT_EQ(codes(other), (QStringList{S("X-1"), S("O'BRIEN"), S("x-1"), S("REFRI")}));
}

TEST(DataSetCopy, ACopyHasEveryRowAndTheTwoChangeApart)
{
    DataSet source = products();
    source.applyFilter(Filter::eq(S("CDPRODUTO"), S("REFRI")));
    DataSet copy(S("copy"), {integerField(S("ONLY"))});
    copy.addIndex(S("BYONLY"), S("ONLY"));
    copy.createDataSet();
    copy.copyFrom(source);
    EXPECT_EQ(copy.fields(), source.fields());
    EXPECT_EQ(copy.data().rows, source.data().rows) << "every row, the filter aside";
    EXPECT_EQ(copy.recNo(), 1);

    // Edited, added to or emptied on either side, the other keeps its rows.
    copy.first();
    copy.edit();
    copy.setValue(S("VRPRECO"), 99.0);
    copy.post();
    copy.append();
    copy.setValue(S("CDPRODUTO"), S("NOVO"));
    copy.post();
    source.clearFilter();
    source.first();
    EXPECT_EQ(source.asFloat(S("VRPRECO")), 12.5);
    EXPECT_EQ(codes(source), (QStringList{S("X-1"), S("O'BRIEN"), S("x-1"), S("REFRI")}));
    source.first();
    source.edit();
    source.setValue(S("NMPRODUTO"), S("trocado"));
    source.post();
    source.emptyDataSet();
    EXPECT_EQ(copy.recordCount(), 5);
    copy.first();
    EXPECT_EQ(copy.asString(S("NMPRODUTO")), S("Hambúrguer"));

    // A closed dataset hands on its structure only.
    DataSet closed(S("closed"), {stringField(S("CDPRODUTO"), 20)});
    copy.copyFrom(closed);
    EXPECT_TRUE(copy.isActive());
    EXPECT_EQ(copy.recordCount(), 0);
    EXPECT_EQ(copy.fields(), closed.fields());
    // One without any is refused, and the copy keeps what it had.
    EXPECT_THROW(copy.copyFrom(DataSet(S("bare"))), DataSetError);
    EXPECT_EQ(copy.fields(), closed.fields());
}

TEST(DataPacketTest, FileRoundTripKeepsTypesNullsAndOddText)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    DataSet ds(S("all"), {stringField(S("S"), 7), floatField(S("F")), integerField(S("I")),
                          dateTimeField(S("D")), blobField(S("B")), booleanField(S("L"))});
    ds.append();
    ds.setValue(S("S"), S("a\"<&'>é"));
    ds.setValue(S("F"), 0.1 + 0.2);
    ds.setValue(S("I"), -2147483647);
    ds.setValue(S("D"), QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)));
    ds.setValue(S("B"), S("{\\rtf1 linha 1\nlinha 2}"));
    ds.setValue(S("L"), S("S"));  // a host flag written as text
    ds.post();
    ds.append();  // an all-null row
    ds.post();

    const QString path = dir.filePath(S("packet.cds"));
    ds.data().saveToFile(path);
    const DataPacket back = DataPacket::loadFromFile(path);
    EXPECT_EQ(back, ds.data());
    EXPECT_EQ(back.fields[0].size, 7);
    EXPECT_TRUE(back.rows[1][1].isNull());
    EXPECT_EQ(back.rows[0][5], QVariant(true));
}

TEST(DataPacketTest, HostBooleanFlagsLoad)
{
    const QByteArray xml =
        "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
        "<FIELD attrname=\"UTILIZAIMPFIS\" fieldtype=\"boolean\"/>"
        "<FIELD attrname=\"CDFILIAL\" fieldtype=\"string\" WIDTH=\"4\"/>"
        "</FIELDS></METADATA><ROWDATA><ROW UTILIZAIMPFIS=\"TRUE\" CDFILIAL=\"0001\"/>"
        "<ROW UTILIZAIMPFIS=\"FALSE\"/></ROWDATA></DATAPACKET>";
    DataSet ds(S("params"));
    ds.setData(DataPacket::fromXml(xml));
    EXPECT_TRUE(ds.asBoolean(S("UTILIZAIMPFIS")));
    EXPECT_EQ(ds.asString(S("UTILIZAIMPFIS")), S("True"));
    ds.next();
    EXPECT_FALSE(ds.asBoolean(S("UTILIZAIMPFIS")));
    const QByteArray bad = QByteArray(xml).replace("\"FALSE\"", "\"maybe\"");
    EXPECT_THROW(DataPacket::fromXml(bad), DataSetError);
}

TEST(DataPacketTest, CorruptOrIncompleteFilesAreClearErrors)
{
    auto message = [](const QByteArray& xml) -> std::string {
        try {
            DataPacket::fromXml(xml, S("PARAMETROSQMT.CDS"));
        } catch (const DataSetError& e) {
            return e.what();
        }
        return "accepted";
    };
    const QByteArray good = products().data().toXml();
    EXPECT_NE(message(good.left(good.size() / 2)).find("ends before"), std::string::npos);
    EXPECT_NE(message("").find("empty"), std::string::npos);
    EXPECT_NE(message("<OTHER/>").find("DATAPACKET"), std::string::npos);
    EXPECT_NE(message("<DATAPACKET><ROWDATA/></DATAPACKET>").find("before the field"), std::string::npos);
    EXPECT_NE(message("<DATAPACKET><METADATA><FIELDS/></METADATA><ROWDATA/></DATAPACKET>").find("missing"),
              std::string::npos);
    const QByteArray badNumber =
        "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"V\" fieldtype=\"r8\"/></FIELDS></METADATA>"
        "<ROWDATA><ROW V=\"abc\"/></ROWDATA></DATAPACKET>";
    EXPECT_NE(message(badNumber).find("not a number"), std::string::npos);
    const QByteArray unknownField =
        "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"V\" fieldtype=\"r8\"/></FIELDS></METADATA>"
        "<ROWDATA><ROW W=\"1\"/></ROWDATA></DATAPACKET>";
    EXPECT_NE(message(unknownField).find("unknown field"), std::string::npos);
    EXPECT_NE(message(good).find("accepted"), std::string::npos);
    // Every message names the file.
    EXPECT_NE(message("<x").find("PARAMETROSQMT.CDS"), std::string::npos);
    EXPECT_THROW(DataPacket::loadFromFile(S("/nonexistent/dir/x.cds")), DataSetError);
}

TEST(DataPacketTest, NumbersAreFiniteAndTimesKeepTheirInstant)
{
    auto packet = [](const char* type, const char* value) -> QByteArray {
        return QByteArray("<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"V\" fieldtype=\"") + type +
               "\"/></FIELDS></METADATA><ROWDATA><ROW V=\"" + value + "\"/></ROWDATA></DATAPACKET>";
    };
    for (const char* bad : {"nan", "inf", "-inf", "1e999"})
        EXPECT_THROW(DataPacket::fromXml(packet("r8", bad)), DataSetError) << bad;

    // The file's format has no offset: a time read with one is written as its local time.
    const DataPacket read = DataPacket::fromXml(packet("dateTime", "2025-06-14T12:30:00.5+05:00"));
    const DataPacket back = DataPacket::fromXml(read.toXml());
    EXPECT_EQ(back.rows[0][0].toDateTime(), QDateTime(QDate(2025, 6, 14), QTime(7, 30, 0, 500), Qt::UTC));
    EXPECT_EQ(back, read);
}

// A field takes the shop's value as it is, or refuses it naming field and value: never a
// rounded, wrapped or infinite number, never a name refused for its UTF-16 length.
TEST(DataSetFields, ValuesAreKeptAsTheyAreOrRefused)
{
    const FieldDef qty = integerField(S("NRORDEM"));
    const FieldDef price = floatField(S("VRPRECO"));
    const FieldDef name = stringField(S("NMPRODUTO"), 50);
    QString emoji;
    for (int i = 0; i < 25; ++i)
        emoji += QString::fromUcs4(U"\U0001F354") + QLatin1Char('a');
    struct Case {
        const FieldDef& field;
        QVariant in;
        QVariant out;  // invalid: refused
    };
    const Case cases[] = {
        {qty, S("12"), 12},
        {qty, S("12.0000"), 12},
        {qty, 12.0, 12},
        {qty, -5LL, -5},
        {qty, 3.7, {}},
        {qty, S("3.7"), {}},
        {qty, 3000000000LL, {}},
        {qty, S("3000000000"), {}},
        {qty, S("-3000000000"), {}},
        {price, S("1,5"), 1.5},
        {price, std::numeric_limits<double>::infinity(), {}},
        {price, std::nan(""), {}},
        {price, S("NaN"), {}},
        {price, S("inf"), {}},
        {price, S("9e999"), {}},
        {name, emoji, emoji},
        {name, QString(emoji + QLatin1Char('b')), {}},
    };
    for (const Case& c : cases) {
        const std::string context =
            c.field.name.toStdString() + " <- " + c.in.toString().toStdString();
        if (c.out.isValid()) {
            EXPECT_EQ(coerceToField(c.field, c.in), c.out) << context;
            continue;
        }
        try {
            coerceToField(c.field, c.in);
            ADD_FAILURE() << context << " was taken";
        } catch (const DataSetError& e) {
            EXPECT_TRUE(e.message().contains(c.field.name))
                << context << ": " << e.message().toStdString();
        }
    }
}

TEST(DataResultTest, ErrorTextIsNotData)
{
    const DataResult err = DataResult::error(S("connection refused"));
    EXPECT_TRUE(err.isError());
    EXPECT_EQ(err.toText(), S("connection refused"));
    try {
        (void)err.asPacket();
        FAIL() << "an error result must not read as a packet";
    } catch (const DataSetError& e) {
        EXPECT_STREQ(e.what(), "connection refused");
    }
    EXPECT_FALSE(DataResult::text(S("1234")).isError());
    EXPECT_THROW((void)DataResult::empty().asFlag(), DataSetError);
}

TEST(ItemRecord, StructureMatchesTheHostContract)
{
    const FieldDefs item = records::itemProd();
    ASSERT_EQ(item.size(), 33);
    EXPECT_EQ(item.first().name, S("VRPRECOCLIE"));
    EXPECT_EQ(item[5].name, S("NRSEQ"));
    EXPECT_EQ(item[5].size, 3);
    EXPECT_EQ(item[20].size, 2000);
    EXPECT_EQ(item.last().name, S("NRSEQ_ORD"));
    EXPECT_EQ(item.last().type, FieldType::Integer);
    EXPECT_EQ(records::itemProdAux().size(), 17);
    EXPECT_EQ(records::itemProdAdd().size(), 26);
    EXPECT_EQ(records::obsItensAdd().size(), records::obsItens().size() - 1);
    EXPECT_EQ(records::prodCtObsAdd().size(), records::prodCtObs().size() - 2);

    // A product code wider than the observation field is refused there, never cut to
    // another product's code; the error names the field and the value.
    DataSet obs = records::make(S("cdsObsItens"), records::obsItens());
    obs.append();
    obs.setValue(S("CDPRODUTO"), S("1234567890"));
    try {
        obs.setValue(S("CDPRODUTO"), S("12345678901234567890"));
        ADD_FAILURE() << "a code of 20 characters went into a field of 10";
    } catch (const DataSetError& e) {
        EXPECT_TRUE(e.message().contains(S("CDPRODUTO"))) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(S("12345678901234567890"))) << e.message().toStdString();
    }
    obs.post();
    EXPECT_EQ(obs.asString(S("CDPRODUTO")), S("1234567890"));
}
