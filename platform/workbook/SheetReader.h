#pragma once

#include <string>
#include <string_view>

#include "Grid.h"
#include "WorkbookError.h"

namespace workbook {

// Reads the used range of one sheet as text cells, in this process. The
// format is chosen by the file's content, not its name: Office Open XML
// (.xlsx/.xlsm), OpenDocument (.ods, flat .fods), Excel 2003 XML, Excel
// 97-2003 (.xls), or else delimited text (.csv: comma- or tab-separated;
// UTF-8 with or without byte-order mark, UTF-16 with one, or Big5/CP950),
// whose single sheet answers to any name and whose cells are the text as
// written. Numbers read as the general number form shows them ("12.5",
// "120", "4710000000001"); dates as "yyyy/mm/dd" (with " hh:nn:ss" when they
// carry a time); error values give empty cells; a formula gives its stored
// result. Sheet names match without regard to case. A file that is none of
// these, is damaged, or goes beyond the limits throws WorkbookError; nothing
// that cannot be read is skipped.
//
// The libraries and readers behind this may fail on hostile files in ways an
// exception cannot catch; programs with a window or unsaved work read through
// readSheetIsolated() (SheetReaderProcess.h) instead.
Grid readSheet(const std::string& path, const std::string& sheetName,
               const ReadLimits& limits = {});

// Delimited text already in memory (see readSheet for the encodings).
Grid readCsv(std::string_view bytes, const ReadLimits& limits = {});

} // namespace workbook
