#include "reports/CashBookDefinition.h"

#include <QCoreApplication>

namespace CashBookDefinition {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("dtrLivroCaixa", text);
}

const QColor kGrey(128, 128, 128);
const QColor kLightGrey(224, 224, 224);

ReportFont font(double points, bool bold = false)
{
    ReportFont f;
    f.pointSize = points;
    f.bold = bold;
    return f;
}

ReportControl textControl(const QString& name, ControlKind kind, QRect rect, const ReportFont& f,
                          HAlign align)
{
    ReportControl c;
    c.name = name;
    c.kind = kind;
    c.rect = rect;
    c.font = f;
    c.align = align;
    return c;
}

ReportControl label(const QString& name, const QString& text, QRect rect, const ReportFont& f,
                    HAlign align = HAlign::Left)
{
    ReportControl c = textControl(name, ControlKind::Label, rect, f, align);
    c.text = text;
    return c;
}

ReportControl field(const QString& name, const QString& column, const QString& format, QRect rect,
                    HAlign align = HAlign::Left)
{
    ReportControl c = textControl(name, ControlKind::Field, rect, font(8.5), align);
    c.field = column;
    c.format = format;
    return c;
}

ReportControl line(const QString& name, QLine points)
{
    ReportControl c;
    c.name = name;
    c.kind = ControlKind::Line;
    c.line = points;
    return c;
}

ReportControl box(const QString& name, QRect rect, const QColor& colour)
{
    ReportControl c;
    c.name = name;
    c.kind = ControlKind::Box;
    c.rect = rect;
    c.background = colour;
    return c;
}

ReportControl heading(const QString& name, const QString& text, QRect rect,
                      HAlign align = HAlign::Left)
{
    ReportControl c = label(name, text, rect, font(10, true), align);
    c.background = kLightGrey;
    c.border = true;
    c.valign = VAlign::Center;
    return c;
}

// A white-on-grey bordered band title.
ReportControl banner(ReportControl c)
{
    c.foreground = Qt::white;
    c.background = kGrey;
    c.border = true;
    c.valign = VAlign::Center;
    return c;
}

ReportSection section(const QString& name, ReportSection::Kind kind, int height,
                      const QString& groupField = {}, bool keepWithNext = false)
{
    ReportSection s;
    s.name = name;
    s.kind = kind;
    s.height = height;
    s.groupField = groupField;
    s.keepWithNext = keepWithNext;
    return s;
}

// Below the title's band, a line says what the report covers: its period and
// its account.
ReportSection reportHeader()
{
    ReportSection s =
        section(QStringLiteral("ReportHeader"), ReportSection::Kind::ReportHeader, 1470);
    s.controls = {
        line(QStringLiteral("Line1"), QLine(45, 75, 16230, 75)),
        label(QStringLiteral("Label1"), tr("LIVRO DE CAIXA"), QRect(0, 300, 16185, 600),
              font(28, true), HAlign::Center),
        line(QStringLiteral("Line2"), QLine(45, 990, 16230, 990)),
        label(QStringLiteral("lblCobertura"), QString(), QRect(0, 1065, 16185, 330), font(12, true),
              HAlign::Center),
    };
    return s;
}

ReportSection groupHeader()
{
    ReportSection s = section(QStringLiteral("GroupHeader1"), ReportSection::Kind::GroupHeader, 825,
                              QStringLiteral("data"), true);
    ReportControl pageBreak;
    pageBreak.name = QStringLiteral("PageBreak1");
    pageBreak.kind = ControlKind::PageBreak;
    ReportControl day =
        banner(field(QStringLiteral("txtSaldoData"), QStringLiteral("data"),
                     QString::fromUtf16(kDateFormat), QRect(0, 0, 16185, 465), HAlign::Center));
    day.font = font(18, true);
    s.controls = {
        pageBreak,
        day,
        heading(QStringLiteral("Label2"), tr("Data"), QRect(0, 495, 1095, 285)),
        heading(QStringLiteral("Label3"), tr("Hora"), QRect(1110, 495, 750, 285)),
        heading(QStringLiteral("Label4"), tr("Conta"), QRect(1845, 495, 2685, 285)),
        heading(QStringLiteral("Label9"), tr("Número Documento"), QRect(4545, 495, 2363, 285)),
        heading(QStringLiteral("Label5"), tr("Descrição"), QRect(6930, 495, 6017, 285)),
        heading(QStringLiteral("Label6"), tr("Entrada"), QRect(12960, 495, 960, 285),
                HAlign::Right),
        heading(QStringLiteral("Label7"), tr("Saída"), QRect(13935, 495, 1035, 285), HAlign::Right),
        heading(QStringLiteral("Label8"), tr("Saldo"), QRect(14970, 495, 1215, 285), HAlign::Right),
    };
    return s;
}

ReportSection detail()
{
    ReportSection s = section(QStringLiteral("Detail"), ReportSection::Kind::Detail, 375);
    const QString date = QString::fromUtf16(kDateFormat);
    const QString money = QString::fromUtf16(kMoneyFormat);
    ReportControl account = field(QStringLiteral("txtConta"), {}, {}, QRect(1845, 0, 2685, 270));
    ReportControl accountId = field(QStringLiteral("txtIDConta"), QStringLiteral("idconta"), {},
                                    QRect(1890, 0, 420, 330));
    accountId.visible = false;
    ReportControl document =
        field(QStringLiteral("Field7"), QStringLiteral("ndoc"), {}, QRect(4545, 0, 2370, 270));
    ReportControl description =
        field(QStringLiteral("Field4"), QStringLiteral("descricao"), {}, QRect(6930, 0, 6015, 270));
    // Names, document numbers and descriptions are printed whole, however long.
    account.canGrow = document.canGrow = description.canGrow = true;
    s.controls = {
        field(QStringLiteral("txtData"), QStringLiteral("data"), date, QRect(0, 0, 1095, 270)),
        field(QStringLiteral("Field2"), QStringLiteral("hora"), QString::fromUtf16(kTimeFormat),
              QRect(1110, 0, 750, 270)),
        account,
        accountId,
        document,
        description,
        field(QStringLiteral("txtEntrada"), QStringLiteral("entrada"), money,
              QRect(12960, 0, 960, 270), HAlign::Right),
        field(QStringLiteral("txtSaida"), QStringLiteral("saida"), money,
              QRect(13935, 0, 1035, 270), HAlign::Right),
        field(QStringLiteral("txtSaldo"), {}, {}, QRect(14970, 0, 1215, 270), HAlign::Right),
        line(QStringLiteral("Line3"), QLine(16185, 375, 0, 375)),
    };
    return s;
}

ReportSection groupFooter()
{
    ReportSection s = section(QStringLiteral("GroupFooter1"), ReportSection::Kind::GroupFooter, 330,
                              QStringLiteral("data"));
    ReportControl title = banner(field(QStringLiteral("txtTituloSaldoData"), {}, {},
                                       QRect(0, 0, 13890, 330), HAlign::Right));
    title.font = font(12, true);
    ReportControl movement =
        field(QStringLiteral("txtSaldoDT"), {}, {}, QRect(13935, 0, 2250, 330), HAlign::Right);
    movement.font = font(10, true);
    movement.border = true;
    movement.valign = VAlign::Center;
    s.controls = {title, movement};
    return s;
}

ReportSection reportFooter()
{
    ReportSection s =
        section(QStringLiteral("ReportFooter"), ReportSection::Kind::ReportFooter, 10830);
    ReportControl chart;
    chart.name = QStringLiteral("chart");
    chart.kind = ControlKind::Chart;
    chart.rect = QRect(0, 240, 16275, 9315);
    chart.text = tr("Gráfico");
    s.controls = {
        line(QStringLiteral("Line4"), QLine(0, 135, 16185, 150)),
        chart,
        box(QStringLiteral("Shape2"), QRect(480, 9720, 345, 360), QColor(0, 255, 255)),
        label(QStringLiteral("lblEntradas"), QString(), QRect(855, 9735, 3390, 315),
              font(12, true)),
        box(QStringLiteral("Shape1"), QRect(480, 10140, 345, 360), QColor(255, 0, 0)),
        label(QStringLiteral("lblSaidas"), QString(), QRect(855, 10155, 3390, 315), font(12, true)),
    };
    return s;
}

ReportSection emptyBand(const QString& name, ReportSection::Kind kind)
{
    return section(name, kind, 0);
}

} // namespace

ReportDefinition dtrLivroCaixa()
{
    ReportDefinition d;
    d.title = tr("Livro de caixa");
    d.paper = QSize(16838, 11906); // A4, landscape
    // The wider margin top and bottom, where printers leave the most paper bare.
    d.margins = QMargins(150, 250, 150, 250);
    d.sections = {
        reportHeader(), emptyBand(QStringLiteral("PageHeader"), ReportSection::Kind::PageHeader),
        groupHeader(),  detail(),
        groupFooter(),  emptyBand(QStringLiteral("PageFooter"), ReportSection::Kind::PageFooter),
        reportFooter(),
    };
    return d;
}

} // namespace CashBookDefinition
