#include "qtapp.h"
#include "richtext.h"
#include "rtfreader.h"

#include <gtest/gtest.h>

#include <QTextEdit>

using namespace kvp::ui;

namespace {

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}
std::string plain(const char* rtf)
{
    return rtf::rtfToPlainText(S(rtf)).toStdString();
}

}  // namespace

TEST(RtfReader, DecodesAccentsFromCodePageEscapesAndUnicode)
{
    EXPECT_EQ(plain(R"({\rtf1\ansi\ansicpg1252 Caf\'e9 com a\'e7\'facar\par})"), "Café com açúcar");
    // \u with its one-character fallback, which must not be shown as well.
    EXPECT_EQ(plain(R"({\rtf1 P\u227?o de queijo})"), "Pão de queijo");
    // A \'hh fallback counts as one character.
    EXPECT_EQ(plain(R"({\rtf1 P\u227\'e3o})"), "Pão");
    // \uc3: three fallback characters; \uc0: none; the setting ends with its group.
    EXPECT_EQ(plain(R"({\rtf1{\uc3 \u8364 EUR} \u8364?})"), "€ €");
    EXPECT_EQ(plain(R"({\rtf1{\uc2 \u8364 EUR}})"), "€R");
    EXPECT_EQ(plain(R"({\rtf1\uc0 \u233\u234  x})"), "éê x");
    // Negative values are UTF-16 units above 32767; a surrogate pair makes one character.
    EXPECT_EQ(plain(R"({\rtf1 \u-10179?\u-8704?})"), "\xF0\x9F\x98\x80");
    // The upper Windows-1252 range differs from Latin-1.
    EXPECT_EQ(plain(R"({\rtf1 \'80 \'93ok\'94 \'85})"), "€ “ok” …");
}

TEST(RtfReader, SkipsTablesPicturesAndIgnorableDestinations)
{
    const char* doc = R"({\rtf1\ansi\deff0{\fonttbl{\f0\fswiss Arial;}{\f1 Courier New;}}
{\colortbl;\red255\green0\blue0;}{\stylesheet{\s0 Normal;}}{\info{\title Segredo}{\author Fulano}}
{\*\generator Msftedit 5.41;}\viewkind4\pard\f0\fs20 Montar 
{\pict\pngblip\picw10\pich10 89504e470d0a1a0a}
{\*\shppict{\pict\wmetafile8 0100}}{\nonshppict{\pict 0a0b}}
{\field{\*\fldinst HYPERLINK "http://x"}{\fldrslt o lanche}} {\*\unknownthing ignorado}
\bin4 {}}x fim\par})";
    EXPECT_EQ(plain(doc), "Montar o lanche  fim");
}

TEST(RtfReader, KeepsParagraphsBreaksSpecialCharactersAndFormatting)
{
    EXPECT_EQ(plain(R"({\rtf1 Um\par Dois\line tr\'eas\tab quatro\par\par})"),
              "Um\nDois\ntrês\tquatro");
    EXPECT_EQ(plain(R"({\rtf1 \{chave\} barra\\ a\~b co\-mum meio\_fio \emdash\bullet})"),
              "{chave} barra\\ a\u00A0b comum meio\u2011fio —•");

    const rtf::Document d =
        rtf::parse(S(R"({\rtf1 normal {\b negrito {\i ambos}} \ul sub\ulnone\i1 it\i0 fim})"));
    ASSERT_EQ(d.paragraphs.size(), 1);
    const auto& runs = d.paragraphs.first().runs;
    ASSERT_EQ(runs.size(), 7);
    EXPECT_EQ(runs[0].text.toStdString(), "normal ");
    EXPECT_TRUE(runs[1].bold && !runs[1].italic);
    EXPECT_TRUE(runs[2].bold && runs[2].italic);
    EXPECT_EQ(runs[2].text.toStdString(), "ambos");
    EXPECT_TRUE(!runs[3].bold && !runs[3].italic);  // both ended with their groups
    EXPECT_TRUE(runs[4].underline && runs[4].text == QStringLiteral("sub"));
    EXPECT_TRUE(runs[5].italic && !runs[5].underline);
    EXPECT_EQ(runs[6].text.toStdString(), "fim");
    EXPECT_TRUE(d.wellFormed);

    const QString html = rtf::toHtml(rtf::parse(S(R"({\rtf1 {\b 5 < 6 & 7} ok})")));
    EXPECT_TRUE(html.contains(QStringLiteral("<b>5 &lt; 6 &amp; 7</b>"))) << html.toStdString();
}

TEST(RtfReader, DamagedTextStillGivesEverythingReadable)
{
    // A closing brace too many.
    rtf::Document d = rtf::parse(S(R"({\rtf1 antes}} depois})"));
    EXPECT_FALSE(d.wellFormed);
    EXPECT_EQ(rtf::toPlainText(d).toStdString(), "antes depois");
    // Groups never closed.
    d = rtf::parse(S(R"({\rtf1 {\b aberto {\i mais)"));
    EXPECT_FALSE(d.wellFormed);
    EXPECT_EQ(rtf::toPlainText(d).toStdString(), "aberto mais");
    // Cut inside an escape, a \u and a control word.
    EXPECT_EQ(plain(R"({\rtf1 Caf\'e)"), "Caf");
    EXPECT_EQ(plain(R"({\rtf1 Caf\u23)"), "Caf");  // a control character is not shown
    EXPECT_EQ(plain("{\\rtf1 fim\\"), "fim");
    EXPECT_EQ(plain(R"({\rtf1 x\'zzy})"), "xzzy");
    // A huge \bin count or parameter does not run past the end.
    EXPECT_EQ(plain(R"({\rtf1 a\bin99999999999 b})"), "a");

    // Every prefix of a real document reads without failing, and the whole reads right.
    const QString full = S(
        R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\pard\b Sandu\'edche\b0 : p\u227?o, {\i molho}\par Sem cebola\line\tab ok\par})");
    for (int n = 0; n <= full.size(); ++n)
        (void)rtf::rtfToPlainText(full.left(n));
    EXPECT_EQ(rtf::rtfToPlainText(full).toStdString(), "Sanduíche: pão, molho\nSem cebola\n\tok");

    // Deep nesting is held in a list, not on the call stack.
    const QString deep =
        QStringLiteral("{\\rtf1 ") + QString(200000, QLatin1Char('{')) + QStringLiteral("x");
    EXPECT_EQ(rtf::rtfToPlainText(deep).toStdString(), "x");
}

TEST(StoredText, EachKindShowsReadablyInATextView)
{
    kvp::test::qtApp();
    QTextEdit view;
    showStoredText(view, S(R"({\rtf1\ansi Batata m\'e9dia\par Refrigerante 500 ml\par})"));
    EXPECT_TRUE(view.isReadOnly());
    EXPECT_EQ(view.toPlainText().toStdString(), "Batata média\nRefrigerante 500 ml");

    showStoredText(view, S("<html><body><p>Lanche <b>duplo</b></p><p>Suco</p></body></html>"));
    EXPECT_EQ(view.toPlainText().toStdString(), "Lanche duplo\nSuco");

    // Plain text keeps its lines and blanks, and markup characters stay text.
    showStoredText(view, S("1 x <pão>\r\n2  x & molho"));
    EXPECT_EQ(view.toPlainText().toStdString(), "1 x <pão>\n2  x & molho");

    EXPECT_EQ(storedTextKind(S("  \n")), StoredTextKind::Empty);
    showStoredText(view, QString());
    EXPECT_TRUE(view.toPlainText().isEmpty());
}

namespace {

// The tags and entities the view is given when a note is shown; anything else came from
// the note itself.
bool onlyOwnMarkup(QString html)
{
    for (const char* own : {"<p style=\"margin:0; white-space:pre-wrap;\">", "</p>", "<b>", "</b>",
                            "<i>", "</i>", "<u>", "</u>", "<br/>", "&nbsp;", "&lt;", "&gt;",
                            "&amp;", "&quot;"})
        html.remove(QLatin1String(own));
    return !html.contains(QLatin1Char('<')) && !html.contains(QLatin1Char('&'));
}

}  // namespace

TEST(StoredText, HtmlNotesShowTheirTextAndFormattingAndNothingElse)
{
    kvp::test::qtApp();
    const QString cells = S("<table><tr><td>").repeated(20) + S("Batata");
    const QString divs = S("<div>").repeated(20000) + S("Molho");
    const QString spans = S("<span style=\"font-weight:600\">").repeated(5000) + S("Sal");
    const struct {
        QString stored;
        const char* shown;
        const char* markup;  // a piece of the HTML the view gets
    } cases[] = {
        {S("<p>Lanche <b>duplo</b></p>\n<p>Suco <i>gelado</i> e <u>gelo</u></p>"),
         "Lanche duplo\nSuco gelado e gelo", "<b>duplo</b>"},
        {S("<ul><li>Sem cebola</li><li>Com <strong>bacon</strong></ul>"), "• Sem cebola\n• Com bacon",
         "<b>bacon</b>"},
        {S("<ol><li>um<li>dois<ul><li>tr&ecirc;s</ul></ol>"), "1. um\n2. dois\n    • três", "1. um"},
        {S("<b>Linha 1</b><br>Linha   2<hr><h2>Fim</h2>"), "Linha 1\nLinha 2\nFim", "<b>Fim</b>"},
        {S("<p>P&atilde;o &amp; queijo &#8364; &#x1F600; &bogus; 5 < 6</p>"),
         "Pão & queijo € \xF0\x9F\x98\x80 &bogus; 5 < 6", "&amp; queijo"},
        {S("<span style=\"font-style: italic\">Leve</span> <span>agora</span>"), "Leve agora",
         "<i>Leve</i>"},
        {S("<html><head><title>t</title><style>p{}</style><script>x()</script></head>"
           "<body><!-- nota --><pre>a  b\nc</pre></body></html>"),
         "a  b\nc", "a  b<br/>c"},
        {S("<img src=\"/dev/zero\"><p>Foto <img src=\"file:///dev/zero\"/></p>"
           "<iframe src=\"/dev/zero\">x</iframe><object data=\"/dev/zero\"></object>"),
         "Foto", "Foto"},
        {cells, "Batata", "Batata"},
        {divs, "Molho", "Molho"},
        {spans, "Sal", "<b>Sal</b>"},
        {S("<tr><td>Item<td>Qtde</tr><tr><td>Batata<td>2"), "Item\tQtde\nBatata\t2", "Item\tQtde"},
    };
    QTextEdit view;
    for (const auto& c : cases) {
        const std::string stored = c.stored.left(80).toStdString();
        ASSERT_EQ(storedTextKind(c.stored), StoredTextKind::Html) << stored;
        const QString html = storedTextToHtml(c.stored);
        EXPECT_TRUE(onlyOwnMarkup(html)) << stored << "\n" << html.left(300).toStdString();
        EXPECT_TRUE(html.contains(S(c.markup))) << stored << "\n" << html.left(300).toStdString();
        showStoredText(view, c.stored);
        EXPECT_EQ(view.toPlainText().toStdString(), c.shown) << stored;
    }

    // However long the note, the view gets a bounded text, cut where it is cut.
    const QString longNotes[] = {S("<p>linha</p>").repeated(200000), S("<b>x").repeated(200000),
                                 S("<p>") + S("a").repeated(3000000)};
    for (const QString& huge : longNotes) {
        const QString html = storedTextToHtml(huge);
        EXPECT_LT(html.size(), 500000) << huge.left(20).toStdString();
        EXPECT_TRUE(html.contains(QChar(0x2026))) << huge.left(20).toStdString();
    }
    // So is a long RTF note or plain text.
    EXPECT_TRUE(storedTextToHtml(S("{\\rtf1 ") + S("a\\par ").repeated(100000) + S("}")).contains(QChar(0x2026)));
    EXPECT_EQ(storedTextToHtml(S("x").repeated(1000000)).count(QLatin1Char('x')), 5000);
}
