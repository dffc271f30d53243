#include "reports/XlsxExport.h"

#include "core/Formats.h"
#include "core/TaskProgress.h"
#include "reports/dtrLivroCaixa.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <cstdio>

#include <sys/stat.h>

namespace XlsxExport {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("XlsxExport", text);
}

enum Col : lxw_col_t { Data, Hora, Conta, NDoc, Descricao, Entrada, Saida, Saldo };

struct CellFormats
{
    explicit CellFormats(lxw_workbook* book)
    {
        title = workbook_add_format(book);
        format_set_bold(title);
        format_set_font_size(title, 16);
        bold = workbook_add_format(book);
        format_set_bold(bold);
        heading = workbook_add_format(book);
        format_set_bold(heading);
        format_set_bg_color(heading, 0xE0E0E0);
        format_set_border(heading, LXW_BORDER_THIN);
        day = workbook_add_format(book);
        format_set_bold(day);
        format_set_font_size(day, 12);
        format_set_font_color(day, LXW_COLOR_WHITE);
        format_set_bg_color(day, 0x808080);
        format_set_align(day, LXW_ALIGN_CENTER);
        format_set_num_format(day, "dd/mm/yyyy");
        dayTitle = workbook_add_format(book);
        format_set_bold(dayTitle);
        format_set_font_color(dayTitle, LXW_COLOR_WHITE);
        format_set_bg_color(dayTitle, 0x808080);
        format_set_align(dayTitle, LXW_ALIGN_RIGHT);
        date = workbook_add_format(book);
        format_set_num_format(date, "dd/mm/yyyy");
        time = workbook_add_format(book);
        format_set_num_format(time, "hh:mm");
        money = workbook_add_format(book);
        format_set_num_format(money, "#,##0.00");
        moneyBold = workbook_add_format(book);
        format_set_num_format(moneyBold, "#,##0.00");
        format_set_bold(moneyBold);
        format_set_border(moneyBold, LXW_BORDER_THIN);
    }
    lxw_format* title;
    lxw_format* bold;
    lxw_format* heading;
    lxw_format* day;
    lxw_format* dayTitle;
    lxw_format* date;
    lxw_format* time;
    lxw_format* money;
    lxw_format* moneyBold;
};

// Writes cells and keeps the first error (a sheet holds about a million rows).
class Sheet
{
public:
    explicit Sheet(lxw_worksheet* sheet) : m_sheet(sheet) {}

    void text(lxw_row_t row, lxw_col_t col, const QString& value, lxw_format* format = nullptr)
    {
        if (!value.isEmpty())
            keep(worksheet_write_string(m_sheet, row, col, value.toUtf8().constData(), format));
    }
    void number(lxw_row_t row, lxw_col_t col, double value, lxw_format* format)
    {
        keep(worksheet_write_number(m_sheet, row, col, value, format));
    }
    void money(lxw_row_t row, lxw_col_t col, const std::optional<Money>& value, lxw_format* format)
    {
        if (value)
            number(row, col, double(value->units()) / double(Money::kUnitsPerReal), format);
    }
    // Spreadsheet dates count days from 30/12/1899; times are fractions of a day.
    void date(lxw_row_t row, lxw_col_t col, const QDate& value, lxw_format* format)
    {
        if (value.isValid())
            number(row, col, double(QDate(1899, 12, 30).daysTo(value)), format);
    }
    void time(lxw_row_t row, lxw_col_t col, const QTime& value, lxw_format* format)
    {
        if (value.isValid())
            number(row, col, value.msecsSinceStartOfDay() / 86400000.0, format);
    }
    void merge(lxw_row_t row, lxw_col_t first, lxw_col_t last, const QString& value,
               lxw_format* format)
    {
        keep(worksheet_merge_range(m_sheet, row, first, row, last, value.toUtf8().constData(),
                                   format));
    }
    lxw_error error() const { return m_error; }

private:
    void keep(lxw_error e)
    {
        if (m_error == LXW_NO_ERROR)
            m_error = e;
    }
    lxw_worksheet* m_sheet;
    lxw_error m_error = LXW_NO_ERROR;
};

void setUpColumns(lxw_worksheet* sheet)
{
    const double widths[] = {11, 7, 24, 18, 48, 14, 14, 14};
    for (lxw_col_t c = 0; c < std::size(widths); ++c)
        worksheet_set_column(sheet, c, c, widths[c], nullptr);
    worksheet_set_landscape(sheet);
    worksheet_set_paper(sheet, 9); // A4
    worksheet_fit_to_pages(sheet, 1, 0);
}

void columnTitles(Sheet& sheet, lxw_row_t row, const CellFormats& f)
{
    const QString titles[] = {tr("Data"),      tr("Hora"),    tr("Conta"), tr("Número Documento"),
                              tr("Descrição"), tr("Entrada"), tr("Saída"), tr("Saldo")};
    for (lxw_col_t c = 0; c < std::size(titles); ++c)
        sheet.text(row, c, titles[c], f.heading);
}

lxw_row_t writeDay(Sheet& sheet, lxw_row_t row, const CashBookContent& content,
                   const CashBookContent::Day& day, const CellFormats& f)
{
    sheet.merge(row, Data, Saldo, QString(), f.day);
    sheet.date(row++, Data, day.date, f.day);
    columnTitles(sheet, row++, f);
    const QList<CashBookEntry>& entries = content.rows->entries();
    for (qsizetype i = day.firstRow; i < day.firstRow + day.rowCount; ++i, ++row) {
        const CashBookEntry& e = entries.at(i);
        sheet.date(row, Data, e.data, f.date);
        sheet.time(row, Hora, e.hora, f.time);
        sheet.text(row, Conta, e.conta);
        sheet.text(row, NDoc, e.ndoc);
        sheet.text(row, Descricao, e.descricao);
        sheet.money(row, Entrada, e.entrada, f.money);
        sheet.money(row, Saida, e.saida, f.money);
        sheet.money(row, Saldo, content.balances.value(i), f.money);
    }
    sheet.merge(row, Data, Saida, tr("Movimento do dia %1.").arg(Formats::date(day.date)),
                f.dayTitle);
    sheet.money(row++, Saldo, day.movement, f.moneyBold);
    return row + 1;
}

lxw_error writeSheet(lxw_workbook* book, const CashBookContent& content, TaskProgress* progress,
                     bool& cancelled)
{
    lxw_worksheet* worksheet =
        workbook_add_worksheet(book, tr("Livro de caixa").toUtf8().constData());
    if (!worksheet)
        return LXW_ERROR_MEMORY_MALLOC_FAILED;
    setUpColumns(worksheet);
    const CellFormats f(book);
    Sheet sheet(worksheet);
    sheet.text(0, Data, tr("LIVRO DE CAIXA"), f.title);
    sheet.text(1, Data, tr("Período: %1").arg(content.periodText));
    sheet.text(2, Data, tr("Conta: %1").arg(content.accountName));
    sheet.text(4, Data, tr("Saldo anterior"), f.bold);
    sheet.money(4, Saldo, content.openingBalance, f.moneyBold);
    lxw_row_t row = 6;
    for (const CashBookContent::Day& day : content.days) {
        row = writeDay(sheet, row, content, day, f);
        if (progress) {
            progress->setDone(day.firstRow + day.rowCount);
            cancelled = progress->isCancelled();
            if (cancelled)
                return sheet.error();
        }
    }
    std::optional<Money> closing = content.openingBalance;
    if (!content.balances.isEmpty())
        closing = content.balances.constLast();
    sheet.text(row, Data, tr("Totais do período"), f.bold);
    sheet.money(row, Entrada, content.totalIn, f.moneyBold);
    sheet.money(row, Saida, content.totalOut, f.moneyBold);
    sheet.money(row, Saldo, closing, f.moneyBold);
    return sheet.error();
}

} // namespace

Status write(const CashBookContent& content, const QString& fileName, TaskProgress* progress)
{
    const QFileInfo target(fileName);
    QTemporaryFile partial(
        target.absoluteDir().filePath(QStringLiteral(".%1-XXXXXX").arg(target.fileName())));
    if (!partial.open())
        return Status::failure(
            tr("A pasta %1 não pode ser gravada: %2")
                .arg(QDir::toNativeSeparators(target.absolutePath()), partial.errorString()));
    partial.close();
    const QByteArray partialPath = QFile::encodeName(partial.fileName());

    lxw_workbook* book = workbook_new(partialPath.constData());
    if (!book)
        return Status::failure(tr("A planilha não pôde ser criada."));
    const QByteArray title = tr("Livro de caixa").toUtf8();
    lxw_doc_properties properties{};
    properties.title = const_cast<char*>(title.constData());
    workbook_set_properties(book, &properties);
    bool cancelled = false;
    const lxw_error written = writeSheet(book, content, progress, cancelled);
    if (cancelled) {
        lxw_workbook_free(book); // nothing is written; the temporary file goes with partial
        return Status::failure(tr("A exportação foi cancelada."));
    }
    const lxw_error closed = workbook_close(book); // also frees the workbook
    const lxw_error failure = written != LXW_NO_ERROR ? written : closed;
    if (failure != LXW_NO_ERROR)
        return Status::failure(tr("A planilha não pôde ser gravada: %1")
                                   .arg(QString::fromUtf8(lxw_strerror(failure))));
    // A temporary file is private to its owner; the workbook keeps the
    // permissions of the file it replaces, or gets those of any new file.
    if (target.exists()) {
        partial.setPermissions(QFile::permissions(target.absoluteFilePath()));
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(partialPath.constData(), 0666 & ~mask);
    }
    // Replaces an older file of that name in one step.
    if (std::rename(partialPath.constData(),
                    QFile::encodeName(target.absoluteFilePath()).constData()) != 0)
        return Status::failure(
            tr("O arquivo %1 não pôde ser gravado.").arg(QDir::toNativeSeparators(fileName)));
    return Status::success();
}

} // namespace XlsxExport
