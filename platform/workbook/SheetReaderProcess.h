#pragma once

#include <cstdint>
#include <string>

#include "Grid.h"

namespace workbook {

// How a workbook is read in a child process.
struct IsolatedRead {
    // The reader program; empty: $TAVOLA_SHEET_READER, else
    // "tavola-sheet-reader" beside the running executable.
    std::string program;
    // Address space the reader may use, and the wall-clock time it may take.
    std::uint64_t memoryBytes = std::uint64_t(4) << 30;
    unsigned seconds = 300;
    ReadLimits limits;
    // For tests of the containment only: makes the reader "abort", "hang" or
    // "allocate" without bound instead of reading.
    std::string testFault;
};

// Reads a sheet as readSheet() does, in a separate reader program run under
// a memory and a time limit, and hands the grid back through a pipe. A
// crash, a limit or a hang of the reader becomes a WorkbookError
// ("無法讀取活頁簿 …") here, and the calling program goes on. The reader is
// started with posix_spawn (a fork without exec is unsafe in a threaded
// program), with the default disposition of every signal.
Grid readSheetIsolated(const std::string& path, const std::string& sheetName,
                       const IsolatedRead& how = {});

// The reader program's side: reads the sheet named in argv and writes the
// grid to standard output (exit 0) or the error text to standard error
// (exit 1); exit 2 for a usage error.
int sheetReaderMain(int argc, char** argv);

} // namespace workbook
