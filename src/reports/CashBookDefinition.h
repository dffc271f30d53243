#pragma once

#include "reports/ReportDefinition.h"

// The printed cash book "dtrLivroCaixa": a title band, one block per day
// (heading, column titles, one line per entry, the day's movement) and a
// closing band with the chart of the days and the period's totals.
namespace CashBookDefinition {

// Formats the engine applies to bound fields.
inline constexpr char16_t kDateFormat[] = u"dd/MM/yyyy";
inline constexpr char16_t kTimeFormat[] = u"HH:mm";
inline constexpr char16_t kMoneyFormat[] = u"#,##0.00";

ReportDefinition dtrLivroCaixa();

} // namespace CashBookDefinition
