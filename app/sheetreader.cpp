// tavola-sheet-reader: reads one sheet of a workbook for tavola and
// tavola-batch, which start it under a memory and a time limit and take the
// grid from its standard output.

#include "platform/workbook/SheetReaderProcess.h"

int main(int argc, char** argv) {
    return workbook::sheetReaderMain(argc, argv);
}
