#include "reports/ReportPdf.h"

#include "core/TaskProgress.h"
#include "reports/PdfPaintDevice.h"
#include "reports/PdfWriter.h"
#include "reports/ReportDocument.h"
#include "reports/ReportLayout.h"

#include <QDir>
#include <QHash>
#include <QPainter>
#include <QSaveFile>
#include <QTextLayout>

namespace {

constexpr double kRuleWidth = 15; // one pixel at screen resolution, in twips

// Draws the report's own items; fonts and their measures are looked up once
// per control.
class PagePainter
{
public:
    explicit PagePainter(PdfFontSet& fonts, const QSizeF& sheet) : m_fonts(fonts), m_sheet(sheet) {}

    bool fontsUsable() const { return m_usable; }

    QByteArray page(const QList<DrawItem>& items, const ReportPdf::Chart& chart, bool withChart)
    {
        PdfCanvas canvas(m_fonts, m_sheet.height());
        for (const DrawItem& item : items) {
            switch (item.kind) {
            case DrawItem::Kind::Text:
                text(canvas, item);
                break;
            case DrawItem::Kind::Line:
                canvas.line(item.line, item.control->foreground, kRuleWidth);
                break;
            case DrawItem::Kind::Box:
                canvas.fillRect(item.rect, item.control->background);
                break;
            case DrawItem::Kind::Chart:
                if (withChart)
                    canvas.append(chart.operators);
                break;
            }
        }
        return canvas.take();
    }

private:
    struct Style
    {
        QFont font;
        PdfFont* face = nullptr;
        double size = 0;
        double ascent = 0;
        double lineHeight = 0;
    };

    const Style& styleOf(const ReportControl& c)
    {
        auto known = m_styles.find(&c);
        if (known == m_styles.end()) {
            Style s;
            s.font = ReportLayout::fontOf(c);
            s.face = &m_fonts.face(s.font);
            m_usable = m_usable && s.face->isValid();
            s.size = s.font.pixelSize();
            const double scale = s.size / s.face->unitsPerEm();
            s.ascent = s.face->ascent() * scale;
            s.lineHeight = (s.face->ascent() + s.face->descent()) * scale;
            known = m_styles.insert(&c, s);
        }
        return *known;
    }

    struct Line
    {
        QString text;
        double y = 0; // from the top of the text, to the line's top
    };

    // Lines as Qt breaks them for the screen: wrapped at word boundaries to
    // the box's width, and at every line break.
    static QList<Line> wrapped(const Style& style, QString text, double width)
    {
        text.replace(u'\n', QChar::LineSeparator);
        QTextLayout layout(text, style.font);
        QTextOption option;
        option.setWrapMode(QTextOption::WordWrap);
        layout.setTextOption(option);
        QList<Line> lines;
        layout.beginLayout();
        double y = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0, y));
            lines.append({text.mid(line.textStart(), line.textLength()), y});
            y += line.height();
        }
        layout.endLayout();
        return lines;
    }

    void text(PdfCanvas& canvas, const DrawItem& item)
    {
        const ReportControl& c = *item.control;
        if (c.background.isValid())
            canvas.fillRect(item.rect, c.background);
        if (!item.text.isEmpty()) {
            const Style& style = styleOf(c);
            const QRectF box =
                item.rect.adjusted(ReportLayout::kTextPadding, 0, -ReportLayout::kTextPadding, 0);
            const double scale = style.size / style.face->unitsPerEm();
            QList<Line> lines;
            if (c.canGrow &&
                (item.text.contains(u'\n') || style.face->width(item.text) * scale > box.width()))
                lines = wrapped(style, item.text, box.width());
            else
                lines.append({item.text, 0});
            const double height = lines.isEmpty() ? 0 : lines.last().y + style.lineHeight;
            const double top =
                c.valign == VAlign::Center ? box.top() + (box.height() - height) / 2 : box.top();
            for (const Line& line : std::as_const(lines)) {
                const QStringView shown = QStringView(line.text).trimmed();
                const double width = style.face->width(shown) * scale;
                double x = box.left();
                if (c.align == HAlign::Right)
                    x = box.right() - width;
                else if (c.align == HAlign::Center)
                    x = box.left() + (box.width() - width) / 2;
                canvas.text(*style.face, style.size, QPointF(x, top + line.y + style.ascent), shown,
                            c.foreground);
            }
        }
        if (c.border)
            canvas.strokeRect(item.rect, Qt::black, kRuleWidth);
    }

    PdfFontSet& m_fonts;
    QSizeF m_sheet;
    QHash<const ReportControl*, Style> m_styles;
    bool m_usable = true;
};

} // namespace

ReportPdf::Chart ReportPdf::drawChart(const ReportDocument& document)
{
    Chart chart;
    chart.fonts = std::make_shared<PdfFontSet>("C");
    for (int page = document.pageCount() - 1; page >= 0 && chart.page < 0; --page) {
        for (const DrawItem& item : document.pageItems(page)) {
            if (item.kind != DrawItem::Kind::Chart)
                continue;
            const QSizeF sheet = document.definition().paper;
            PdfCanvas canvas(*chart.fonts, 0);
            PdfPaintDevice device(canvas, sheet);
            QPainter painter(&device);
            // The device counts screen dots; the report, twips.
            painter.scale(1 / 15.0, 1 / 15.0);
            document.chartRenderer().render(painter, item.rect);
            painter.end();
            // The canvas's own opening (its page transform) is the page's.
            QByteArray operators = canvas.take();
            chart.operators = operators.mid(operators.indexOf('\n') + 1);
            chart.page = page;
            chart.fonts->releaseFaces(); // the writer's thread needs only their tables
            break;
        }
    }
    return chart;
}

Status ReportPdf::write(const ReportDocument& document, const Chart& chart, const QString& fileName,
                        TaskProgress* progress, int compression)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return Status::failure(file.errorString());
    const QSizeF sheet = document.definition().paper;
    PdfFontSet fonts("R");
    PagePainter painter(fonts, sheet);
    PdfWriter writer(file, sheet, compression);
    writer.setInfo(document.definition().title, tr("Livro de Caixa"));
    const int pages = document.pageCount();
    if (progress)
        progress->startStage(progress->stage(), pages);
    const QList<const PdfFontSet*> pageFonts{&fonts};
    const QList<const PdfFontSet*> chartFonts{&fonts, chart.fonts.get()};
    bool written = true;
    for (int page = 0; page < pages && written; ++page) {
        if (progress && progress->isCancelled()) {
            file.cancelWriting();
            return Status::failure(tr("A exportação foi cancelada."));
        }
        const bool withChart = page == chart.page && chart.fonts;
        written = writer.addPage(painter.page(document.pageItems(page), chart, withChart),
                                 withChart ? chartFonts : pageFonts);
        if (progress)
            progress->setDone(page + 1);
    }
    if (!painter.fontsUsable()) {
        file.cancelWriting();
        return Status::failure(tr("As fontes do relatório não puderam ser lidas para o PDF."));
    }
    if (!written || !writer.finish()) {
        file.cancelWriting(); // the temporary file goes, the chosen name stays untouched
        return Status::failure(
            tr("O arquivo PDF não pôde ser gravado: %1").arg(file.errorString()));
    }
    if (!file.commit())
        return Status::failure(file.errorString());
    return Status::success();
}
