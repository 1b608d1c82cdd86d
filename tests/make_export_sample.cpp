// Writes the product workbook of the export sample (support/ExportSample.h)
// to the file named on the command line; fixtures/workbooks/make.sh re-saves
// it with other programs for the round-trip fixtures.

#include <cstdio>

#include "exchange/ProductWorkbook.h"
#include "support/ExportSample.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_export_sample OUT.xlsx\n");
        return 2;
    }
    auto list = testdata::exportSample();
    exchange::writeProductWorkbook(list, argv[1]);
    return 0;
}
