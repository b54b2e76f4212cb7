#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/ledger/report/page_frame.h"
#include "core/platform/clock.h"
#include "core/platform/dialogs.h"
#include "core/platform/printer.h"
#include "core/stats/statistics.h"

// The statistics window's printed report ("打印报告"): the grid query's rows
// in the common page frame, with a column scheme by the choices. Proportions
// and profit and loss print every row ("统计报告"); history and closed pairs
// print from the grid's current row on, the bottom row meaning the newest
// page ("历史记录").
namespace vmx::stats {

// Said instead of printing the detail rows of proportions or profit and loss.
inline constexpr const char* kDetailRedirect = "打印详细记录请进入手工编辑窗口！";

// The Yes/No question asked before printing.
std::string report_question(Kind kind);

// T text columns before the numbers (columns 0..T print as text) and the
// column width W.
struct ColumnScheme {
  int text_columns = 1;
  int width = 11;
};
ColumnScheme column_scheme(const Choices& choices);

// The whole title line: 21 spaces, the report's name and the choices' captions.
std::string report_title(const Choices& choices);

// The frame: title (first page's title at the radio groups' font height 14),
// the header of the grid's column titles, no footer, 8 padding lines.
ledger::report::PageFrame report_frame(const Choices& choices,
                                       const std::vector<std::string>& columns);

// The data lines, from the first row (proportions, profit and loss) or from
// the grid's current row (history, closed pairs; from the bottom row the
// newest 50). The grid keeps its current row.
std::vector<std::string> report_lines(store::Query& grid, const Choices& choices);

// kDetailRedirect for the detail rows of proportions or profit and loss
// (they print from the holdings window); nullopt when the report prints.
std::optional<std::string> report_refusal(const Choices& choices);

// Prints the report of the grid's rows for its choices without asking. The
// printer's errors (store::Error) pass to the caller.
void print_statistics_report(Statistics& stats, const platform::DateTime& when,
                             platform::Printer& printer);

// "打印报告": detail rows of proportions or profit and loss are redirected
// with kDetailRedirect; otherwise asks report_question and on Yes prints the
// report of the grid's rows at the clock's time. True when it printed. The
// printer's errors (store::Error) pass to the caller.
bool statistics_report_click(Statistics& stats, platform::Dialogs& dialogs,
                             const platform::Clock& clock, platform::Printer& printer);

}  // namespace vmx::stats
