#include "reports/TableExport.h"

#include "core/Dialogs.h"
#include "widgets/UserMemory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QTextDocument>

#include <xlsxwriter.h>

#include <cstdio>

#include <sys/stat.h>

namespace TableExport {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("TableExport", text);
}

QString html(const Table& table)
{
    QString text = QStringLiteral("<h2>%1</h2><p>%2</p>"
                                  "<table border='1' cellspacing='0' cellpadding='3' "
                                  "width='100%'><tr>")
                       .arg(table.title.toHtmlEscaped(), table.subtitle.toHtmlEscaped());
    for (const QString& header : table.headers)
        text += QStringLiteral("<th bgcolor='#e0e0e0'>%1</th>").arg(header.toHtmlEscaped());
    text += QStringLiteral("</tr>");
    for (const QStringList& row : table.rows) {
        text += QStringLiteral("<tr>");
        for (const QString& cell : row)
            text += QStringLiteral("<td>%1</td>").arg(cell.toHtmlEscaped());
        text += QStringLiteral("</tr>");
    }
    return text + QStringLiteral("</table>");
}

Status cannotWrite(const QString& fileName, const QString& why)
{
    return Status::failure(
        tr("O arquivo %1 não pôde ser gravado: %2").arg(QDir::toNativeSeparators(fileName), why));
}

lxw_error writeSheet(lxw_workbook* book, const Table& table)
{
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format* heading = workbook_add_format(book);
    format_set_bold(heading);
    format_set_bg_color(heading, 0xE0E0E0);
    format_set_border(heading, LXW_BORDER_THIN);
    const auto put = [&](lxw_row_t row, lxw_col_t col, const QString& text, lxw_format* format) {
        return worksheet_write_string(sheet, row, col, text.toUtf8().constData(), format);
    };
    lxw_error error = put(0, 0, table.title, bold);
    if (error == LXW_NO_ERROR)
        error = put(1, 0, table.subtitle, nullptr);
    for (qsizetype c = 0; error == LXW_NO_ERROR && c < table.headers.size(); ++c)
        error = put(3, lxw_col_t(c), table.headers.at(c), heading);
    for (qsizetype r = 0; error == LXW_NO_ERROR && r < table.rows.size(); ++r) {
        const QStringList& row = table.rows.at(r);
        for (qsizetype c = 0; error == LXW_NO_ERROR && c < row.size(); ++c)
            error = put(lxw_row_t(4 + r), lxw_col_t(c), row.at(c), nullptr);
    }
    return error;
}

} // namespace

Status writePdf(const Table& table, const QString& fileName)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return cannotWrite(fileName, file.errorString());
    {
        QPdfWriter writer(&file);
        writer.setTitle(table.title);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                         QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter));
        QTextDocument document;
        QFont font = document.defaultFont();
        font.setPointSize(8);
        document.setDefaultFont(font);
        document.setHtml(html(table));
        document.print(&writer);
    }
    if (!file.commit())
        return cannotWrite(fileName, file.errorString());
    return Status::success();
}

Status writeXlsx(const Table& table, const QString& fileName)
{
    const QFileInfo target(fileName);
    QTemporaryFile partial(
        target.absoluteDir().filePath(QStringLiteral(".%1-XXXXXX").arg(target.fileName())));
    if (!partial.open())
        return cannotWrite(fileName, partial.errorString());
    partial.close();
    const QByteArray partialPath = QFile::encodeName(partial.fileName());
    lxw_workbook* book = workbook_new(partialPath.constData());
    if (!book)
        return cannotWrite(fileName, tr("a planilha não pôde ser criada"));
    const lxw_error written = writeSheet(book, table);
    const lxw_error closed = workbook_close(book); // also frees the workbook
    const lxw_error failure = written != LXW_NO_ERROR ? written : closed;
    if (failure != LXW_NO_ERROR)
        return cannotWrite(fileName, QString::fromUtf8(lxw_strerror(failure)));
    // A temporary file is private to its owner; the workbook gets the
    // permissions any new file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(partialPath.constData(), 0666 & ~mask);
    if (std::rename(partialPath.constData(),
                    QFile::encodeName(target.absoluteFilePath()).constData()) != 0)
        return cannotWrite(fileName, tr("o nome não pôde ser dado ao arquivo"));
    return Status::success();
}

bool exportTo(QWidget* parent, Dialogs& dialogs, const Table& table, const QString& fileName,
              bool pdf)
{
    const Status written = pdf ? writePdf(table, fileName) : writeXlsx(table, fileName);
    if (!written) {
        dialogs.inform(parent, Dialogs::Icon::Critical,
                       QCoreApplication::translate("TableExport", "Erro"), written.reason());
        return false;
    }
    UserMemory::rememberExportFolder(QFileInfo(fileName).absolutePath());
    return true;
}

} // namespace TableExport
