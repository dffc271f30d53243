#pragma once

#include "core/Status.h"

#include <QString>

struct CashBookContent;
class TaskProgress;

// The cash book as an Office Open XML workbook an accountant can work with:
// real dates, times and numbers, one row per entry with its running
// balance, each day's heading and movement, the opening balance and the
// period's totals.
namespace XlsxExport {

// Writes under a temporary name in the chosen file's folder and renames it
// once complete, so a failure never leaves a truncated file under the
// chosen name. Entries written count in progress; a stop asked for through
// it leaves no file at all.
Status write(const CashBookContent& content, const QString& fileName,
             TaskProgress* progress = nullptr);

} // namespace XlsxExport
