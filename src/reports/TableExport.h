#pragma once

#include "core/Status.h"

#include <QList>
#include <QString>
#include <QStringList>

// A plain table (a title, a line under it, column headings and rows of
// text) saved as a PDF a person prints or as a workbook an accountant
// opens: the change log and the closings of a period go out this way. Like
// the cash book's exports, each is written under a temporary name in the
// chosen folder and takes the chosen name only once complete.
namespace TableExport {

struct Table
{
    QString title;
    QString subtitle;
    QStringList headers;
    QList<QStringList> rows;
};

Status writePdf(const Table& table, const QString& fileName);
Status writeXlsx(const Table& table, const QString& fileName);

} // namespace TableExport
