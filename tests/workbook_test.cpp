#include <gtest/gtest.h>

#include <filesystem>

#include "platform/text/Text.h"
#include "platform/workbook/SheetReader.h"
#include "platform/workbook/SheetWriter.h"
#include "support/TestDatabase.h"

using workbook::Grid;
using workbook::readSheet;
using workbook::WorkbookError;

namespace {

const std::string kFixtures = std::string(TAVOLA_FIXTURES) + "/workbooks/";

// The data rows of the fixtures, as text cells (columns 0 to 33).
std::vector<std::vector<std::string>> expectedRows() {
    auto row = [](std::vector<std::pair<int, std::string>> cells) {
        std::vector<std::string> r(34);
        for (auto& [c, v] : cells)
            r[std::size_t(c)] = v;
        r[33] = "owner@example.com";
        return r;
    };
    return {
        row({{0, "0012345678901"},
             {1, "4710000000001"},
             {2, "精選原子筆"},
             {3, "原子筆"},
             {4, "10 公分"},
             {7, "01"},
             {8, "文具用品"},
             {11, "S001"},
             {12, "台北文化"},
             {13, "支"},
             {16, "1"},
             {17, "Y"},
             {18, "N"},
             {19, "N"},
             {20, "N"},
             {21, "N"},
             {22, "N"},
             {23, "12.5"},
             {24, "台灣"},
             {25, "NTD"},
             {26, "120"}}),
        row({{0, "A'001"},
             {2, "鍵盤 <Tab>&"},
             {5, "X-2"},
             {6, "Keyboard"},
             {7, "99"},
             {13, "台"},
             {16, "1"},
             {17, "Y"},
             {18, "N"},
             {19, "N"},
             {20, "N"},
             {21, "N"},
             {22, "N"}}),
        row({{0, "B003"}, {1, "0123"}, {2, "  留白  "}, {7, "01"}, {23, "100"}, {26, "0.5"}}),
    };
}

void expectProductRows(const Grid& g, const std::string& what) {
    ASSERT_EQ(g.rowCount(), 4u) << what;
    ASSERT_EQ(g.colCount(), 34u) << what;
    EXPECT_EQ(g.cell(0, 0), "商品編號") << what;
    EXPECT_EQ(g.cell(33, 0), "WUID") << what;
    auto rows = expectedRows();
    // The OpenDocument reader drops runs of blanks written as <text:s/>, so
    // the cell "  留白  " reads with its lone literal blank.
    if (what == "products.ods")
        rows[2][2] = "留白 ";
    // The program that wrote the 2003 XML file put three leading blanks there.
    if (what == "products-2003.xml")
        rows[2][2] = "   留白  ";
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < 34; ++c)
            EXPECT_EQ(g.cell(c, r + 1), rows[r][c]) << what << " row " << r + 1 << " col " << c;
}

} // namespace

TEST(SheetReader, ReadsEveryFormatASpreadsheetProgramWrites) {
    for (const char* f :
         {"products.xlsx", "products.ods", "products.xls", "products-2003.xml", "products.csv"})
        expectProductRows(readSheet(kFixtures + f, "Sheet1"), f);
}

TEST(SheetReader, ChoosesTheFormatByContentNotName) {
    testdata::TempFolder tmp;
    std::filesystem::copy_file(kFixtures + "products.xlsx", tmp.path() + "really-xlsx.xls");
    std::filesystem::copy_file(kFixtures + "products.xls", tmp.path() + "really-xls.xlsx");
    expectProductRows(readSheet(tmp.path() + "really-xlsx.xls", "Sheet1"), "xlsx named .xls");
    expectProductRows(readSheet(tmp.path() + "really-xls.xlsx", "Sheet1"), "xls named .xlsx");
}

TEST(SheetReader, FailsClearlyOnMissingSheetDamagedOrUnknownFiles) {
    testdata::TempFolder tmp;
    std::string damaged = text::readFile(kFixtures + "products.xlsx").substr(0, 2000);
    tmp.write("damaged.xlsx", damaged);
    tmp.write("binary.bin", std::string("\x01\x02\x00\x03", 4));
    struct Case {
        std::string path, sheet, message;
    } cases[] = {
        {kFixtures + "products.xlsx", "Sheet9", "找不到工作表 \"Sheet9\""},
        {kFixtures + "products.xls", "Sheet9", "找不到工作表 \"Sheet9\""},
        {kFixtures + "products.ods", "Sheet9", "找不到工作表 \"Sheet9\""},
        {tmp.path() + "damaged.xlsx", "Sheet1", "無法"},
        {tmp.path() + "binary.bin", "Sheet1", "無法辨識的活頁簿格式"},
        {tmp.path() + "missing.xlsx", "Sheet1", "missing.xlsx"},
    };
    for (const auto& c : cases) {
        try {
            readSheet(c.path, c.sheet);
            ADD_FAILURE() << c.path << " read without error";
        } catch (const WorkbookError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.path << ": " << e.what();
        }
    }
}

TEST(SheetReader, CsvCellsAreTheTextAsWritten) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::vector<std::string>> cells;
    } cases[] = {
        {"comma", "a,b\r\n0012345678901,1e5\r\n", {{"a", "b"}, {"0012345678901", "1e5"}}},
        {"tab", "a\tb,c\n1\t2", {{"a", "b,c"}, {"1", "2"}}},
        {"quoted", "\"x, y\",\"say \"\"hi\"\"\"\n", {{"x, y", "say \"hi\""}}},
        {"byte-order mark",
         "\xEF\xBB\xBF"
         "商品,2\n",
         {{"商品", "2"}}},
        {"blanks kept", " a , b \n", {{" a ", " b "}}},
    };
    for (const auto& c : cases) {
        Grid g = workbook::readCsv(c.text);
        ASSERT_EQ(g.rowCount(), c.cells.size()) << c.name;
        for (std::size_t r = 0; r < c.cells.size(); ++r)
            for (std::size_t col = 0; col < c.cells[r].size(); ++col)
                EXPECT_EQ(g.cell(col, r), c.cells[r][col]) << c.name;
    }
}

TEST(SheetWriter, TextStaysTextAndNumbersReadInGeneralForm) {
    testdata::TempFolder tmp;
    std::string path = tmp.path() + "out.xls"; // an Office Open XML workbook whatever its name
    {
        workbook::SheetWriter w(path, "Sheet1");
        w.text(0, 0, "0123");
        w.text(0, 1, "4710000000001");
        w.number(0, 2, 12.5);
        w.number(0, 3, 4710000000001.0);
        w.text(1, 1,
               "\x7F"
               "A001");
        w.close();
    }
    Grid g = readSheet(path, "Sheet1");
    ASSERT_EQ(g.rowCount(), 2u);
    EXPECT_EQ(g.cell(0, 0), "0123");
    EXPECT_EQ(g.cell(1, 0), "4710000000001");
    EXPECT_EQ(g.cell(2, 0), "12.5");
    EXPECT_EQ(g.cell(3, 0), "4710000000001");
    EXPECT_EQ(g.cell(1, 1), "\x7F"
                            "A001");
    EXPECT_THROW(workbook::SheetWriter(tmp.path() + "no/such/folder/x.xlsx", "Sheet1").close(),
                 WorkbookError);
}
