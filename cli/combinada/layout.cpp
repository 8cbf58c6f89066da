// The screen as designed: where every control sits, its caption, font and colour, and
// what is visible before any code runs. Positions are relative to the parent control.

#include "tfrmpromocaocombinada.h"

#include "textformat.h"

namespace kvp::combinada {

using screen::Alignment;
using screen::Bounds;
using screen::clBlack;
using screen::clGray;
using screen::clRed;
using screen::clWhite;
using screen::ControlKind;
using screen::Font;
using screen::Form;

namespace {

QString slotName(const char* prefix, int slot)
{
    return QLatin1String(prefix) + Ajusta(QString::number(slot), 2);
}

Control make(const QString& name, ControlKind kind, const QString& parent, Bounds bounds)
{
    Control c;
    c.name = name;
    c.kind = kind;
    c.parent = parent;
    c.bounds = bounds;
    return c;
}

Control label(const QString& name, const QString& parent, Bounds bounds, const QString& caption,
              Font font, Alignment alignment = Alignment::Left)
{
    Control c = make(name, ControlKind::Label, parent, bounds);
    c.caption = caption;
    c.font = std::move(font);
    c.alignment = alignment;
    return c;
}

Control button(const QString& name, const QString& parent, Bounds bounds, const QString& caption,
               screen::Color color, Font font)
{
    Control c = make(name, ControlKind::Button, parent, bounds);
    c.caption = caption;
    c.color = color;
    c.font = std::move(font);
    c.transparent = false;
    c.alignment = Alignment::Center;
    c.wordWrap = true;
    c.cornerRadius = 10;
    return c;
}

// The header and the group menu: "up" on the left, two rows of five buttons, "down" on
// the right, with the group's quantity below.
void cabecalhoEGrupos(Form& f)
{
    const QString screenParent;
    const Font titulo{QStringLiteral("Arial"), 13, true, corDestaque};

    f.addControl(label(QStringLiteral("lblCabecalho"), screenParent, {2, 4, 799, 22},
                       QStringLiteral("Título"), titulo, Alignment::Center));

    Control panGrupo =
        make(QStringLiteral("panGrupo"), ControlKind::Panel, screenParent, {2, 30, 799, 96});
    panGrupo.transparent = false;
    f.addControl(panGrupo);
    const Font menuFont{QStringLiteral("Arial"), 9, true, clWhite};
    Control acima = button(QStringLiteral("bbbAcima"), panGrupo.name, {4, 4, 40, 88},
                           QStringLiteral("▲"), corDestaque, menuFont);
    acima.visible = false;
    f.addControl(acima);
    for (int i = 1; i <= kBotoesGrupo; ++i) {
        const int col = (i - 1) % 5;
        const int row = (i - 1) / 5;
        Control b =
            button(slotName("blbMenu", i), panGrupo.name, {52 + col * 140, 4 + row * 46, 134, 42},
                   QString(), corDestaque, menuFont);
        b.cornerRadius = 16;
        b.slot = i;
        // Hidden until a group fills it; the first starts pressed so that show selects it.
        b.visible = false;
        b.down = i == 1;
        f.addControl(b);
    }
    Control abaixo = button(QStringLiteral("bbbAbaixo"), panGrupo.name, {752, 4, 40, 88},
                            QStringLiteral("▼"), corDestaque, menuFont);
    abaixo.visible = false;
    f.addControl(abaixo);

    f.addControl(label(QStringLiteral("lblQuantGrupo"), screenParent, {27, 130, 380, 18}, QString(),
                       Font{QStringLiteral("Arial"), 11, true, corDestaque}));
    f.addControl(label(QStringLiteral("lblEscolhaOpcao"), screenParent, {27, 149, 300, 16},
                       QStringLiteral("Escolha uma das opções ao lado"),
                       Font{QStringLiteral("Verdana"), 9, false, clRed}));
}

// The product grid: price above each picture, name below it, and its paging arrows.
void gradeProdutos(Form& f, const GradeProdutos& grade)
{
    const QString screenParent;
    const Font setaFont{QStringLiteral("Arial"), 10, true, clWhite};
    const auto colunas = static_cast<int>(grade.colunas.size());
    const int slots = colunas * static_cast<int>(grade.linhas.size());
    for (int k = 1; k <= slots; ++k) {
        const int left = grade.colunas.at((k - 1) % colunas);
        const int top = grade.linhas.at((k - 1) / colunas);
        Control preco =
            label(slotName("lblPreco", k), screenParent, {left, top - 16, 87, 15}, QString(),
                  Font{QStringLiteral("Arial"), 10, false, clBlack}, Alignment::Right);
        preco.visible = false;
        f.addControl(preco);
        Control img =
            make(slotName("imgProd", k), ControlKind::Picture, screenParent, {left, top, 87, 53});
        img.stretch = true;
        img.slot = k;
        img.visible = false;
        f.addControl(img);
        Control nome = label(slotName("lblNmProd", k), screenParent, {left, top + 55, 92, 30},
                             QString(), Font{QStringLiteral("Arial"), 6, false, clBlack});
        nome.wordWrap = true;
        nome.visible = false;
        f.addControl(nome);
    }
    Control semImagem = make(QStringLiteral("imgSemImagem"), ControlKind::Picture, screenParent,
                             {grade.colunas.first(), grade.linhas.first(), 87, 53});
    semImagem.visible = false;
    semImagem.stretch = true;
    f.addControl(semImagem);
    Control prodAcima = button(QStringLiteral("bbbProdAcima"), screenParent, {373, 150, 30, 20},
                               QStringLiteral("▲"), corDestaque, setaFont);
    prodAcima.visible = false;
    f.addControl(prodAcima);
    Control prodAbaixo = button(QStringLiteral("bbbProdAbaixo"), screenParent, {373, 496, 30, 20},
                                QStringLiteral("▼"), corDestaque, setaFont);
    prodAbaixo.visible = false;
    f.addControl(prodAbaixo);
}

// The tray of chosen items on the right, and the price line below everything.
void bandejaEPreco(Form& f)
{
    const QString screenParent;
    const Font setaFont{QStringLiteral("Arial"), 10, true, clWhite};
    Control bandeja = make(QStringLiteral("imgBandLaranja"), ControlKind::Picture, screenParent,
                           {500, 128, 296, 404});
    bandeja.visible = false;
    bandeja.stretch = true;
    bandeja.color = 0x3A8CF5;  // orange backdrop drawn when no picture is given
    f.addControl(bandeja);
    f.addControl(label(QStringLiteral("Label1"), screenParent, {512, 134, 200, 18},
                       QStringLiteral("SEU PEDIDO"),
                       Font{QStringLiteral("Verdana"), 11, true, clWhite}));
    Control scb = make(QStringLiteral("scbBandeja"), ControlKind::ScrollBox, screenParent,
                       {510, 156, 258, 364});
    scb.transparent = false;
    scb.color = clWhite;
    f.addControl(scb);
    Control up = button(QStringLiteral("bbbBandejaUp"), screenParent, {770, 156, 24, 24},
                        QStringLiteral("▲"), corDestaque, setaFont);
    up.visible = false;
    f.addControl(up);
    Control down = button(QStringLiteral("bbbBandejaDown"), screenParent, {770, 496, 24, 24},
                          QStringLiteral("▼"), corDestaque, setaFont);
    down.visible = false;
    f.addControl(down);
    f.addControl(label(QStringLiteral("lblDescExProd"), screenParent, {512, 521, 260, 12},
                       QStringLiteral("Para excluir click no produto"),
                       Font{QStringLiteral("Verdana"), 7, false, clWhite}));

    f.addControl(label(QStringLiteral("lblDescricao"), screenParent, {2, 536, 799, 19}, QString(),
                       Font{QStringLiteral("Arial"), 11, true, corDestaque}, Alignment::Center));
}

// The button bar with the preparation text in the middle, and the screen's code.
void barraBotoes(Form& f)
{
    const QString screenParent;
    Control panMenu =
        make(QStringLiteral("panMenu"), ControlKind::Panel, screenParent, {2, 557, 799, 48});
    panMenu.transparent = false;
    f.addControl(panMenu);
    const Font barra{QStringLiteral("Arial"), 9, true, clWhite};
    f.addControl(button(QStringLiteral("bldCancelar"), panMenu.name, {3, 3, 88, 42},
                        QStringLiteral("   Voltar    Esc"), corDestaque, barra));
    f.addControl(button(QStringLiteral("bldFoto"), panMenu.name, {94, 3, 86, 42},
                        QStringLiteral("Ajuda"), corDestaque, barra));
    Control roteiro =
        make(QStringLiteral("dreRoteiro"), ControlKind::RichText, panMenu.name, {183, 1, 433, 46});
    roteiro.transparent = false;
    roteiro.font = Font{QStringLiteral("Arial"), 8, false, clBlack};
    f.addControl(roteiro);
    f.addControl(button(QStringLiteral("blbFiltro"), panMenu.name, {619, 3, 78, 42},
                        QStringLiteral("Pesquisa Produto (F6)"), corDestaque, barra));
    Control qtde = button(QStringLiteral("spbQtde"), panMenu.name, {700, 3, 34, 42},
                          QStringLiteral("(F7)"), corDestaque, barra);
    qtde.hint = QStringLiteral("Multiplica por X");
    f.addControl(qtde);
    Control confirmar = button(QStringLiteral("bldConfirmar"), panMenu.name, {737, 3, 59, 42},
                               QStringLiteral("Confirmar"), corDestaque, barra);
    confirmar.hint = QStringLiteral("Combinar Produtos");
    f.addControl(confirmar);

    f.addControl(label(QStringLiteral("lblCodTela"), screenParent, {6, 519, 200, 12},
                       QStringLiteral("Kvp510 - F1 Menu Fiscal"),
                       Font{QStringLiteral("Arial"), 7, false, clGray}));
}

}  // namespace

TfrmPromocaoCombinadaLayout::TfrmPromocaoCombinadaLayout()
    // Column lefts and image-row tops of the twelve product slots.
    : TfrmPromocaoCombinadaLayout(QStringLiteral("frmPromocaoCombinada"),
                                  {{27, 124, 220, 316}, {173, 291, 408}})
{
}

TfrmPromocaoCombinadaLayout::TfrmPromocaoCombinadaLayout(const QString& nomeTela,
                                                         const GradeProdutos& grade)
    : Form(nomeTela)
{
    frame.bounds = {0, 0, 803, 607};
    frame.centred = true;
    frame.borderless = true;
    frame.color = clWhite;
    frame.borderColor = corDestaque;
    frame.borderWidth = 2;

    cabecalhoEGrupos(*this);
    gradeProdutos(*this, grade);
    bandejaEPreco(*this);
    barraBotoes(*this);
}

}  // namespace kvp::combinada
