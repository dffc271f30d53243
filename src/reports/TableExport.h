#pragma once

#include "core/Status.h"

#include <QList>
#include <QString>
#include <QStringList>

class Dialogs;
class QWidget;

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

// What a window's export button does once the user chose the file: writes
// it as PDF or XLSX, tells a failure in a message, and remembers the folder
// for the next export. True when the file was written.
bool exportTo(QWidget* parent, Dialogs& dialogs, const Table& table, const QString& fileName,
              bool pdf);

} // namespace TableExport
