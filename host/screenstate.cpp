#include "screenstate.h"

#include "form.h"
#include "modulevars.h"
#include "modulevarsadd.h"
#include "receipt.h"
#include "richtext.h"
#include "tfrmpromocaocombinada.h"
#include "tfrmpromocombadd.h"

#include <QFileInfo>
#include <QTextDocument>

#include <algorithm>

namespace kvp::refhost {

using screen::Control;
using screen::ControlKind;

namespace {

const QString kHidden = QStringLiteral("hidden");

QString yesNo(bool b)
{
    return b ? QStringLiteral("yes") : QStringLiteral("no");
}

// #RRGGBB of a colour the layouts give as 0x00BBGGRR.
QString colourText(screen::Color c)
{
    return QStringLiteral("#%1%2%3")
        .arg(c & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((c >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((c >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString pictureText(const QString& path)
{
    return path.isEmpty() ? QStringLiteral("default") : QFileInfo(path).fileName();
}

// The preparation notes as a person reads them, whatever they were stored as.
QString plainText(const QString& stored)
{
    QTextDocument doc;
    doc.setHtml(ui::storedTextToHtml(stored));
    return doc.toPlainText().trimmed();
}

ShownValue text(const QString& field, const QString& value)
{
    return {field, value, true};
}

ShownValue bare(const QString& field, const QString& value)
{
    return {field, value, false};
}

// A text control: its caption, or hidden.
ShownEntry caption(const Control& c, const QString& shown)
{
    ShownEntry e{c.name, {c.name}, {}};
    e.values.append(c.visible ? text(QString(), shown) : bare(QString(), kHidden));
    return e;
}

ShownEntry arrow(const Control& c)
{
    return ShownEntry{c.name, {c.name}, {bare(QString(), c.visible ? QStringLiteral("visible") : kHidden)}};
}

// Any control: what a person sees of it.
ShownEntry generic(const Control& c)
{
    static const char* kinds[] = {"panel", "label", "button", "picture", "scrollbox", "richtext"};
    ShownEntry e{c.name, {c.name}, {}};
    e.listed = false;
    e.values = {bare(QStringLiteral("kind"), QLatin1String(kinds[static_cast<int>(c.kind)])),
                text(QStringLiteral("caption"),
                     c.kind == ControlKind::RichText ? plainText(c.caption) : c.caption),
                bare(QStringLiteral("visible"), yesNo(c.visible)),
                bare(QStringLiteral("enabled"), yesNo(c.enabled)),
                bare(QStringLiteral("pressed"), yesNo(c.down)),
                bare(QStringLiteral("colour"), colourText(c.color))};
    if (c.kind == ControlKind::Picture)
        e.values.append(text(QStringLiteral("picture"), pictureText(c.picture)));
    return e;
}

QString slotName(const char* prefix, int n)
{
    return QLatin1String(prefix) + QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

void addGroups(const screen::Form& f, const QString& locked, QList<ShownEntry>& out)
{
    // Entries are the code padded with blanks to ten characters, then ";".
    QStringList lockedCodes;
    for (const QString& entry : locked.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        lockedCodes.append(entry.trimmed());
    for (int n = 1;; ++n) {
        const Control* b = f.findComponent(slotName("blbMenu", n));
        if (!b)
            break;
        if (!b->visible)
            continue;
        ShownEntry e{QStringLiteral("group %1").arg(n), {b->name}, {}};
        e.values = {text(QStringLiteral("code"), b->groupCode),
                    text(QStringLiteral("caption"), b->caption),
                    bare(QStringLiteral("enabled"), yesNo(b->enabled)),
                    bare(QStringLiteral("colour"), colourText(b->color)),
                    bare(QStringLiteral("pressed"), yesNo(b->down)),
                    bare(QStringLiteral("locked"),
                         yesNo(!b->groupCode.isEmpty() && lockedCodes.contains(b->groupCode)))};
        out.append(e);
    }
}

void addSlots(const screen::Form& f, QList<ShownEntry>& out)
{
    for (int n = 1;; ++n) {
        const Control* img = f.findComponent(slotName("imgProd", n));
        if (!img)
            break;
        if (!img->visible)
            continue;
        const Control* name = f.findComponent(slotName("lblNmProd", n));
        const Control* price = f.findComponent(slotName("lblPreco", n));
        ShownEntry e{QStringLiteral("slot %1").arg(n), {img->name}, {}};
        if (name)
            e.controls << name->name;
        if (price)
            e.controls << price->name;
        e.values = {text(QStringLiteral("code"), img->productCode),
                    text(QStringLiteral("name"), name ? name->caption : QString()),
                    price && price->visible ? text(QStringLiteral("price"), price->caption)
                                            : bare(QStringLiteral("price"), kHidden),
                    text(QStringLiteral("picture"), pictureText(img->picture))};
        out.append(e);
    }
}

// The tray's entries: five controls each, "bandejaN" and a part, in position order.
void addTray(const screen::Form& f, QList<ShownEntry>& out)
{
    static const QStringList parts = {QStringLiteral("Foto"), QStringLiteral("Codigo"),
                                      QStringLiteral("Nome"), QStringLiteral("Obs"),
                                      QStringLiteral("Preco")};
    struct Entry {
        QString prefix;
        int serial = 0;
        const Control* part[5] = {};
    };
    QList<Entry> entries;
    for (const Control* c : f.controls()) {
        if (c->parent.compare(QLatin1String("scbBandeja"), Qt::CaseInsensitive) != 0)
            continue;
        for (int p = 0; p < parts.size(); ++p) {
            if (!c->name.endsWith(parts.at(p)))
                continue;
            const QString prefix = c->name.chopped(parts.at(p).size());
            auto it = std::find_if(entries.begin(), entries.end(),
                                   [&](const Entry& e) { return e.prefix == prefix; });
            if (it == entries.end()) {
                entries.append(Entry{prefix, prefix.mid(7).toInt(), {}});
                it = entries.end() - 1;
            }
            it->part[p] = c;
            break;
        }
    }
    auto top = [](const Entry& e) { return e.part[0] ? e.part[0]->bounds.top : 0; };
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        return top(a) != top(b) ? top(a) < top(b) : a.serial < b.serial;
    });
    int n = 0;
    for (const Entry& t : entries) {
        auto captionOf = [&](int p) { return t.part[p] ? t.part[p]->caption : QString(); };
        ShownEntry e{QStringLiteral("tray %1").arg(++n), {}, {}};
        for (const Control* c : t.part) {
            if (c)
                e.controls << c->name;
        }
        e.values = {bare(QStringLiteral("control"), t.prefix + parts.first()),
                    bare(QStringLiteral("tag"), QString::number(t.part[0] ? t.part[0]->tag : 0)),
                    bare(QStringLiteral("top"), QString::number(top(t))),
                    text(QStringLiteral("code"), captionOf(1)),
                    text(QStringLiteral("name"), captionOf(2)),
                    text(QStringLiteral("obs"), captionOf(3)),
                    text(QStringLiteral("price"), captionOf(4)),
                    text(QStringLiteral("picture"),
                         t.part[0] ? pictureText(t.part[0]->picture) : QString())};
        out.append(e);
    }
}

QString lockedGroups(const screen::Form& form)
{
    if (dynamic_cast<const add::TfrmPromoCombAdd*>(&form))
        return add::stBotaoBloqueado;
    return combinada::stBotaoBloqueado;
}

}  // namespace

ShownEntry moduleEntry()
{
    auto screen = [](bool open) { return open ? QStringLiteral("open") : QStringLiteral("none"); };
    ShownEntry e{QStringLiteral("module"), {}, {}};
    e.listed = false;
    e.values = {
        bare(QStringLiteral("screen"), screen(combinada::frmPromocaoCombinada != nullptr)),
        text(QStringLiteral("stBotaoBloqueado"), combinada::stBotaoBloqueado),
        bare(QStringLiteral("boPromocaoComb"), yesNo(combinada::boPromocaoComb)),
        bare(QStringLiteral("nrSeqItemAdd"), QString::number(combinada::nrSeqItemAdd)),
        text(QStringLiteral("stNrVendaRest2"), combinada::stNrVendaRest2),
        bare(QStringLiteral("boDebitoAux"), yesNo(combinada::boDebitoAux)),
        text(QStringLiteral("stCdCliDebPadrao"), combinada::stCdCliDebPadrao),
        text(QStringLiteral("stCdConsDebAux"), combinada::stCdConsDebAux),
        bare(QStringLiteral("add.screen"), screen(add::frmPromoCombAdd != nullptr)),
        text(QStringLiteral("add.stBotaoBloqueado"), add::stBotaoBloqueado),
        bare(QStringLiteral("add.boPromocaoComb"), yesNo(add::boPromocaoComb)),
        text(QStringLiteral("add.stNrVendaRest2"), add::stNrVendaRest2),
        bare(QStringLiteral("add.boDebitoAux"), yesNo(add::boDebitoAux)),
        text(QStringLiteral("add.stCdCliDebPadrao"), add::stCdCliDebPadrao),
        text(QStringLiteral("add.stCdConsDebAux"), add::stCdConsDebAux),
    };
    return e;
}

bool ShownEntry::onScreen() const
{
    if (key == QLatin1String("module"))
        return true;
    if (!listed) {
        const ShownValue* v = field(QStringLiteral("visible"));
        return v && v->value == QLatin1String("yes");
    }
    return !(single() && !values.first().quoted && values.first().value == kHidden);
}

const ShownValue* ShownEntry::field(const QString& name) const
{
    for (const ShownValue& v : values) {
        if (v.field.compare(name, Qt::CaseInsensitive) == 0)
            return &v;
    }
    return nullptr;
}

QString ShownEntry::line() const
{
    QString out = key;
    for (const ShownValue& v : values) {
        if (!v.field.isEmpty())
            out += QLatin1Char(' ') + v.field;
        out += QLatin1Char(' ') + (v.quoted ? quoted(v.value) : v.value);
    }
    return out;
}

QStringList ShownScreen::lines() const
{
    QStringList out{QStringLiteral("screen ") + form};
    for (const ShownEntry& e : entries) {
        if (e.listed)
            out << e.line();
    }
    out << QStringLiteral("end");
    return out;
}

const ShownEntry* ShownScreen::find(const QString& what) const
{
    for (const ShownEntry& e : entries) {
        if (e.key.compare(what, Qt::CaseInsensitive) == 0)
            return &e;
    }
    for (const ShownEntry& e : entries) {
        for (const QString& c : e.controls) {
            if (c.compare(what, Qt::CaseInsensitive) == 0)
                return &e;
        }
    }
    return nullptr;
}

ShownScreen showScreen(const screen::Form& form)
{
    ShownScreen s;
    s.form = form.name();
    QList<ShownEntry>& out = s.entries;
    auto label = [&](const char* name) {
        if (const Control* c = form.findComponent(QLatin1String(name)))
            out.append(caption(*c, c->kind == ControlKind::RichText ? plainText(c->caption) : c->caption));
    };
    auto arrowOf = [&](const char* name) {
        if (const Control* c = form.findComponent(QLatin1String(name)))
            out.append(arrow(*c));
    };
    label("lblCabecalho");
    label("lblQuantGrupo");
    label("lblEscolhaOpcao");
    label("dreRoteiro");
    addGroups(form, lockedGroups(form), out);
    arrowOf("bbbAcima");
    arrowOf("bbbAbaixo");
    addSlots(form, out);
    arrowOf("bbbProdAcima");
    arrowOf("bbbProdAbaixo");
    addTray(form, out);
    arrowOf("bbbBandejaUp");
    arrowOf("bbbBandejaDown");
    label("lblDescricao");
    out.append(ShownEntry{QStringLiteral("stBotaoBloqueado"), {}, {text(QString(), lockedGroups(form))}});

    // Every other control, for show and expect by name.
    for (const Control* c : form.controls()) {
        if (!s.find(c->name))
            out.append(generic(*c));
    }
    out.append(moduleEntry());
    return s;
}

QString checkExpect(const ShownScreen& screen, const ScriptExpect& expect)
{
    const ShownEntry* e = screen.find(expect.entry);
    if (expect.absent) {
        if (e && e->onScreen())
            return QStringLiteral("expected no %1, shown: %2").arg(expect.entry, e->line());
        return {};
    }
    if (!e)
        return QStringLiteral("%1 shows no %2").arg(screen.form, expect.entry);

    const ShownValue* shown = nullptr;
    QString wanted;
    if (e->single()) {
        if (expect.words.size() != 1)
            return QStringLiteral("%1 shows one value: write expect %1 VALUE").arg(e->key);
        shown = &e->values.first();
        wanted = expect.words.first();
    } else {
        shown = e->field(expect.words.first());
        if (!shown) {
            QStringList fields;
            for (const ShownValue& v : e->values)
                fields << v.field;
            return QStringLiteral("%1 has no %2 (it shows %3)")
                .arg(e->key, expect.words.first(), fields.join(QStringLiteral(", ")));
        }
        // A flag written alone reads as yes: "expect group 4 locked".
        wanted = expect.words.size() > 1 ? expect.words.at(1) : QStringLiteral("yes");
    }
    const bool colour = shown->field == QLatin1String("colour");
    if (shown->value.compare(wanted, colour ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0)
        return {};
    auto as = [&](const QString& v) { return shown->quoted ? quoted(v) : v; };
    return QStringLiteral("expected %1, shown %2").arg(as(wanted), as(shown->value));
}

}  // namespace kvp::refhost
