#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>

#include "platform/text/Text.h"
#include "platform/workbook/CellValues.h"
#include "platform/workbook/Readers.h"
#include "platform/workbook/SheetReader.h"
#include "platform/workbook/SheetReaderProcess.h"
#include "platform/workbook/SheetWriter.h"
#include "platform/workbook/ZipWriter.h"
#include "support/TestDatabase.h"
#include "support/ZipWriter.h"

using workbook::Grid;
using workbook::readSheet;
using workbook::WorkbookError;

namespace {

const std::string kFixtures = std::string(TAVOLA_FIXTURES) + "/workbooks/";

// Expected cells by name ("B1" is grid column 1, grid row 0); every other
// cell of the grid must be empty.
using Cells = std::map<std::string, std::string>;

void expectGrid(const Grid& g, std::size_t rows, std::size_t cols, const Cells& cells,
                const std::string& what) {
    EXPECT_EQ(g.rowCount(), rows) << what;
    EXPECT_EQ(g.colCount(), cols) << what;
    for (const auto& [name, text] : cells) {
        std::uint32_t r = 0, c = 0;
        ASSERT_TRUE(workbook::detail::parseCellRef(name, r, c)) << name;
        EXPECT_EQ(g.cell(c, r), text) << what << " " << name;
    }
    EXPECT_EQ(g.cellCount(), cells.size()) << what << ": cells beyond those expected";
}

std::string messageOf(const std::function<void()>& read) {
    try {
        read();
    } catch (const WorkbookError& e) {
        return e.what();
    }
    return "(no error)";
}

bool contains(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}

// The reader conformance sheet as LibreOffice writes it, before the
// differences of each format.
Cells conformance() {
    return {{"A1", "two  blanks"},
            {"B1", "ab"}, // LibreOffice drops <text:tab/> when it loads the flat source
            {"C1", "linebreak"},
            {"D1", "first\nsecond"},
            {"E1", "粗體normal"},
            {"F1", "1234.5"},
            {"G1", "0.125"},
            {"H1", "2024/01/02"},
            {"I1", "2024/01/02 10:30:00"},
            {"J1", "3"},
            {"K1", "abc"},
            {"L1", "TRUE"},
            {"M1", "0"}, // a FALSE without a truth-value format is a 0 to LibreOffice
            {"N1", "0012345"},
            {"P1", "漢字"},
            {"Q1", "  x  "},
            {"R1", "4710000000001"},
            {"S1", "-12.5"},
            {"C3", "third column"},
            {"A4", "repeated"},
            {"A5", "repeated"}};
}

Cells textSheet(bool cellC3) {
    Cells c = {{"A1", "a\tb"},
               {"B1", "line\nbreak"},
               {"C1", "cr\rhere"},
               {"D1", "\r typed"}, // openpyxl writes "_x000D_" unescaped: it reads as a CR
               {"E1", "漢字"},
               {"F1", "0012345"},
               {"G1", "12.5"},
               {"H1", "4710000000001"},
               {"I1", "TRUE"},
               {"J1", "2024/01/02"},
               {"K1", "2024/01/02 10:30:00"}};
    if (cellC3)
        c["C3"] = "C3 only";
    return c;
}

Cells csvSheet() {
    return {{"A1", "商品編號"},
            {"B1", "商品名稱"},
            {"C1", "市價"},
            {"A2", "A001"},
            {"B2", "精選原子筆\r\n第二行"},
            {"C2", "12.5"},
            {"A3", "B002"},
            {"B3", "鍵盤, \"大\""},
            {"C3", "100"}};
}

} // namespace

// One row per file that another program wrote: the exact cells it reads as.
TEST(SheetReader, ReadsFilesOtherProgramsWroteCellForCell) {
    struct Case {
        std::string file;
        std::size_t rows, cols;
        Cells cells;
    };
    std::vector<Case> cases;
    for (const char* f : {"conformance.xlsx", "conformance.ods"})
        cases.push_back({f, 5, 19, conformance()});
    Cells xls = conformance();
    xls["K1"] = "0"; // LibreOffice stores 0 as the cached result of a text formula in .xls
    cases.push_back({"conformance.xls", 5, 19, xls});
    Cells xml2003 = conformance();
    xml2003["O1"] = "#DIV/0!"; // written as text, not as an error value
    xml2003["Q1"] = "   x  ";  // as LibreOffice writes it
    cases.push_back({"conformance-2003.xml", 5, 19, xml2003});
    Cells source = conformance();
    source["B1"] = "a\tb";
    source["C1"] = "line\nbreak";
    source["M1"] = "FALSE";
    source["O1"] = "0";
    cases.push_back({"conformance.fods", 5, 19, source});
    cases.push_back({"text-openpyxl.xlsx", 3, 11, textSheet(true)});
    for (const char* f :
         {"text-openpyxl-writeonly.xlsx", "text-libreoffice.xlsx", "text-libreoffice.xls"})
        cases.push_back({f, 1, 11, textSheet(false)});
    Cells ods = textSheet(false);
    ods["I1"] = "1"; // LibreOffice keeps openpyxl's TRUE as the formula =TRUE() with the value 1
    cases.push_back({"text-libreoffice.ods", 1, 11, ods});
    for (const char* f : {"csv-utf8.csv", "csv-utf8-bom.csv", "csv-utf16.csv", "csv-big5.csv"})
        cases.push_back({f, 3, 3, csvSheet()});
    cases.push_back({"fullmode-no-column-a.xlsx",
                     2,
                     8,
                     {{"B1", "分類F001"},
                      {"C1", "F001"},
                      {"D1", "商品F001"},
                      {"H1", "101"},
                      {"B2", "分類F002"},
                      {"C2", "F002"},
                      {"D2", "商品F002"},
                      {"H2", "102"}}});
    for (const auto& c : cases)
        expectGrid(readSheet(kFixtures + c.file, "Sheet1"), c.rows, c.cols, c.cells, c.file);
}

TEST(SheetReader, ChoosesTheFormatByContentNotName) {
    testdata::TempFolder tmp;
    std::filesystem::copy_file(kFixtures + "conformance.xlsx", tmp.path() + "really-xlsx.xls");
    std::filesystem::copy_file(kFixtures + "conformance.xls", tmp.path() + "really-xls.csv");
    EXPECT_EQ(readSheet(tmp.path() + "really-xlsx.xls", "Sheet1").cell(4, 0), "粗體normal");
    EXPECT_EQ(readSheet(tmp.path() + "really-xls.csv", "Sheet1").cell(4, 0), "粗體normal");
}

TEST(SheetReader, OfficeOpenXmlEdgeCases) {
    testdata::TempFolder tmp;
    std::string f = tmp.path() + "case.xlsx";
    const std::string firstShared = "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>";
    struct Case {
        const char* name;
        std::string sheet, shared, target;
        std::string cell; // expected A1
    } cases[] = {
        {"absolute target", "<row><c t=\"inlineStr\"><is><t>abs</t></is></c></row>", "",
         "/xl/worksheets/sheet1.xml", "abs"},
        {"relative target with ..", "<row><c t=\"inlineStr\"><is><t>rel</t></is></c></row>", "",
         "../xl/./worksheets/sheet1.xml", "rel"},
        {"rich inline text",
         "<row><c t=\"inlineStr\"><is><r><t>粗</t></r><r><t>體</t></r></is></c></row>", "",
         "worksheets/sheet1.xml", "粗體"},
        {"phonetic guide left out", firstShared,
         "<si><r><t>漢字</t></r><rPh sb=\"0\" eb=\"2\"><t>カンジ</t></rPh></si>",
         "worksheets/sheet1.xml", "漢字"},
        {"escapes decoded", firstShared, "<si><t>a_x000D_b_x005F_x000D_</t></si>",
         "worksheets/sheet1.xml", "a\rb_x000D_"},
        {"surrogate pair escape", firstShared, "<si><t>_xD83D__xDE00_</t></si>",
         "worksheets/sheet1.xml", "\xF0\x9F\x98\x80"},
        {"date cell", "<row><c t=\"d\"><v>2024-01-02T00:00:00</v></c></row>", "",
         "worksheets/sheet1.xml", "2024/01/02"},
        {"error value not copied",
         "<row><c t=\"e\"><v>#N/A</v></c><c t=\"inlineStr\"><is><t>b</t></is></c></row>", "",
         "worksheets/sheet1.xml", ""},
    };
    for (const auto& c : cases) {
        testdata::writeXlsx(f, c.sheet, c.shared, c.target);
        Grid g = readSheet(f, "Sheet1");
        EXPECT_EQ(g.cell(0, 0), c.cell) << c.name;
    }
}

TEST(SheetReader, CellsAnywhereOnTheSheetAreStoredSparsely) {
    testdata::TempFolder tmp;
    std::string f = tmp.path() + "far.xlsx";
    testdata::writeXlsx(f,
                        "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>near</t></is></c></row>"
                        "<row r=\"1048576\"><c r=\"XFD1048576\" t=\"inlineStr\"><is><t>far</t></is>"
                        "</c></row>");
    Grid g = readSheet(f, "Sheet1");
    EXPECT_EQ(g.rowCount(), 1048575u); // from the first used row, sheet row 2
    EXPECT_EQ(g.colCount(), 16384u);   // from column A
    EXPECT_EQ(g.sheetRow(0), 2u);
    EXPECT_EQ(g.cell(0, 0), "near");
    EXPECT_EQ(g.cell(16383, 1048574), "far");
    EXPECT_EQ(g.cellCount(), 2u);
}

TEST(SheetReader, DamagedHostileAndOversizedFilesEndWithAClearError) {
    testdata::TempFolder tmp;
    auto xlsx = [&](const std::string& name, const std::string& sheet) {
        testdata::writeXlsx(tmp.path() + name, sheet);
        return tmp.path() + name;
    };
    std::string xls = text::readFile(kFixtures + "conformance.xls");
    tmp.write("truncated.xls", xls.substr(0, xls.size() / 2));
    tmp.write("truncated.xlsx", text::readFile(kFixtures + "conformance.xlsx").substr(0, 2000));
    tmp.write("empty.xlsx", "");
    tmp.write("picture.xlsx", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\1", 20));
    tmp.write("letter.xls", "Dear customer\r\nThank you for your order.\r\nRegards\r\n");
    tmp.write("unterminated.csv", "a,\"b\r\nc,d\r\n");
    workbook::writeZip(
        tmp.path() + "document.docx",
        {{"[Content_Types].xml", "<Types><Override ContentType=\"application/"
                                 "vnd.openxmlformats-officedocument.wordprocessingml."
                                 "document.main+xml\"/></Types>"}});
    std::string fifo = tmp.path() + "pipe.xlsx";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string path, message;
    } cases[] = {
        {kFixtures + "conformance.xlsx", "找不到工作表 \"Sheet9\""},
        {tmp.path() + "truncated.xls", "檔案已損壞"},
        {tmp.path() + "truncated.xlsx", "壓縮檔損壞"},
        {tmp.path() + "empty.xlsx", "無法辨識的活頁簿格式"},
        {tmp.path() + "picture.xlsx", "無法辨識的活頁簿格式"},
        {tmp.path() + "letter.xls", "無法辨識的活頁簿格式"},
        {tmp.path() + "document.docx", "無法辨識的活頁簿格式"},
        {tmp.path() + "unterminated.csv", "未結束的引號"},
        {tmp.path() + "missing.xlsx", "無法開啟檔案"},
        {fifo, "不是一般檔案"},
        {xlsx("overflow.xlsx",
              "<row><c r=\"A4294967297\" t=\"inlineStr\"><is><t>x</t></is></c></row>"),
         "儲存格位址無效或超出工作表的範圍：A4294967297"},
        {xlsx("beyond.xlsx", "<row><c r=\"XFE1\"><v>1</v></c></row>"), "XFE1"},
        {xlsx("nul.xlsx", "<row><c r=\"B2\" t=\"inlineStr\"><is><t>a_x0000_b</t></is></c></row>"),
         "儲存格 B2 含有 NUL 字元"},
        {xlsx("char.xlsx", "<row><c t=\"inlineStr\"><is><t>&#x110000;</t></is></c></row>"),
         "不是正確的 XML"},
        {xlsx("shared.xlsx", "<row><c r=\"C4\" t=\"s\"><v>7</v></c></row>"),
         "儲存格 C4 的共用字串索引無效"},
        {kFixtures + "formula-no-result.xlsx", "儲存格 B1 的公式沒有儲存計算結果"},
    };
    for (const auto& c : cases) {
        std::string sheet = contains(c.message, "Sheet9") ? "Sheet9" : "Sheet1";
        EXPECT_TRUE(contains(messageOf([&] { readSheet(c.path, sheet); }), c.message))
            << c.path << ": " << messageOf([&] { readSheet(c.path, sheet); });
    }
}

TEST(SheetReader, APartThatInflatesBeyondTheLimitStopsTheRead) {
    testdata::TempFolder tmp;
    std::string f = tmp.path() + "bomb.xlsx";
    // 64 MB of blanks deflate to a few hundred kilobytes.
    testdata::writeXlsx(f, "<row><c t=\"inlineStr\"><is><t>x</t></is></c></row>" +
                               std::string(std::size_t(64) << 20, ' '));
    EXPECT_LT(std::filesystem::file_size(f), 1u << 20);
    workbook::ReadLimits limits;
    limits.maxPartBytes = 16 << 20;
    EXPECT_TRUE(
        contains(messageOf([&] { readSheet(f, "Sheet1", limits); }), "解壓後超過 16 MB 的上限"));
    limits = {};
    limits.maxCells = 1;
    testdata::writeXlsx(
        f, "<row><c t=\"inlineStr\"><is><t>a</t></is></c><c t=\"inlineStr\"><is><t>b</t>"
           "</is></c></row>");
    EXPECT_TRUE(
        contains(messageOf([&] { readSheet(f, "Sheet1", limits); }), "儲存格超過可讀取的上限"));
}

namespace {

std::string record(std::uint16_t type, const std::string& body) {
    std::string r;
    r += char(type & 0xFF);
    r += char(type >> 8);
    r += char(body.size() & 0xFF);
    r += char(body.size() >> 8);
    return r + body;
}

std::string le(std::uint64_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i)
        s += char((v >> (8 * i)) & 0xFF);
    return s;
}

// A workbook stream with one sheet holding the given cell records.
std::string biffStream(const std::string& cells) {
    std::string bof = le(0x0600, 2) + le(0x0005, 2) + std::string(12, '\0');
    std::string sheetBof = le(0x0600, 2) + le(0x0010, 2) + std::string(12, '\0');
    std::string name = "Sheet1";
    auto globals = [&](std::uint32_t pos) {
        return record(0x0809, bof) +
               record(0x0085, le(pos, 4) + std::string(2, '\0') + char(name.size()) + '\0' + name) +
               record(0x000A, "");
    };
    std::string g = globals(0);
    return globals(std::uint32_t(g.size())) + record(0x0809, sheetBof) + cells + record(0x000A, "");
}

std::string formula(int col, const std::string& value) {
    return record(0x0006, le(0, 2) + le(std::uint64_t(col), 2) + le(0, 2) + value + le(0, 2) +
                              le(0, 4) + le(0, 2));
}

} // namespace

TEST(SheetReader, ExcelFormulasReadAsTheirCachedResults) {
    double three = 3;
    std::string number(8, '\0');
    std::memcpy(number.data(), &three, 8);
    std::string cells =
        formula(0, number) + formula(1, std::string("\0\0\0\0\0\0\xFF\xFF", 8)) +
        record(0x0207, le(3, 2) + '\0' + "abc") +
        formula(2, std::string("\1\0\1\0\0\0\xFF\xFF", 8)) +
        formula(3, std::string("\2\0\x07\0\0\0\xFF\xFF", 8)) +
        formula(4, std::string("\3\0\0\0\0\0\xFF\xFF", 8)) +
        // A text result whose characters go on in a CONTINUE record, two bytes wide there.
        formula(5, std::string("\0\0\0\0\0\0\xFF\xFF", 8)) + record(0x0207, le(3, 2) + '\0' + "x") +
        record(0x003C, std::string("\1", 1) + "\x22\x6F\x57\x5B");
    Grid g = workbook::detail::readBiff(biffStream(cells), "t.xls", "sheet1", {});
    expectGrid(g, 1, 6, {{"A1", "3"}, {"B1", "abc"}, {"C1", "TRUE"}, {"F1", "x漢字"}}, "formulas");
    // A text formula without its STRING record is damage, not an empty cell.
    EXPECT_TRUE(contains(messageOf([&] {
                             workbook::detail::readBiff(
                                 biffStream(formula(0, std::string("\0\0\0\0\0\0\xFF\xFF", 8))),
                                 "t.xls", "Sheet1", {});
                         }),
                         "儲存格 A1 的公式缺少文字結果"));
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
        {"CR LF inside quotes stays", "\"a\r\nb\",c\r\nd,e", {{"a\r\nb", "c"}, {"d", "e"}}},
        {"byte-order mark", "\xEF\xBB\xBF商品,2\n", {{"商品", "2"}}},
        {"blanks kept", " a , b \n", {{" a ", " b "}}},
        {"blank line kept inside", "a,b\n\nc,d\n", {{"a", "b"}, {"", ""}, {"c", "d"}}},
    };
    for (const auto& c : cases) {
        Grid g = workbook::readCsv(c.text);
        ASSERT_EQ(g.rowCount(), c.cells.size()) << c.name;
        for (std::size_t r = 0; r < c.cells.size(); ++r)
            for (std::size_t col = 0; col < c.cells[r].size(); ++col)
                EXPECT_EQ(g.cell(col, r), c.cells[r][col]) << c.name;
    }
}

TEST(SheetReaderProcess, ReadsInAChildAndContainsItsCrashesLimitsAndHangs) {
    std::string f = kFixtures + "conformance.xlsx";
    Grid g = workbook::readSheetIsolated(f, "Sheet1");
    expectGrid(g, 5, 19, conformance(), "through the reader program");
    EXPECT_TRUE(contains(messageOf([&] { workbook::readSheetIsolated(f, "Sheet9"); }),
                         "找不到工作表 \"Sheet9\""));

    struct Case {
        std::string fault, message;
        unsigned seconds;
        std::uint64_t memory;
    } cases[] = {
        {"abort", "讀取程式異常結束（訊號 6", 30, std::uint64_t(1) << 30},
        {"hang", "讀取超過 1 秒，已停止", 1, std::uint64_t(1) << 30},
        {"allocate", "所需記憶體超過上限", 30, std::uint64_t(512) << 20},
    };
    for (const auto& c : cases) {
        workbook::IsolatedRead how;
        how.testFault = c.fault;
        how.seconds = c.seconds;
        how.memoryBytes = c.memory;
        std::string m = messageOf([&] { workbook::readSheetIsolated(f, "Sheet1", how); });
        EXPECT_TRUE(contains(m, c.message)) << c.fault << ": " << m;
        EXPECT_TRUE(contains(m, "無法讀取活頁簿 " + f)) << c.fault << ": " << m;
    }
    workbook::IsolatedRead missing;
    missing.program = "/no/such/reader";
    EXPECT_TRUE(contains(messageOf([&] { workbook::readSheetIsolated(f, "Sheet1", missing); }),
                         "無法啟動活頁簿讀取程式 /no/such/reader"));
}

// A write that fails (here: a file-size limit, as a full disk would) leaves
// the workbook that was there as it was, and no partial file beside it.
TEST(SheetWriter, AFailedWriteLeavesThePreviousWorkbook) {
    testdata::TempFolder tmp;
    std::string path = tmp.path() + "book.xlsx";
    {
        workbook::SheetWriter w(path, "Sheet1");
        w.text(0, 0, "previous");
        w.close();
    }
    std::string before = text::readFile(path);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small{16384, old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    std::string message;
    try {
        workbook::SheetWriter w(path, "Sheet1");
        for (unsigned r = 0; r < 20000; ++r)
            w.text(r, 0,
                   "row " + std::to_string(r) + " text that does not compress to nothing " +
                       std::to_string(r * 7919));
        w.close();
    } catch (const WorkbookError& e) {
        message = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(message.rfind("無法儲存活頁簿 " + path, 0), 0u) << message;
    EXPECT_TRUE(text::readFile(path) == before);
    std::size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(tmp.path()))
        files += e.is_regular_file();
    EXPECT_EQ(files, 1u);
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
        w.text(0, 4, "_x000D_ typed");
        w.text(0, 5, "a\r\nb");
        w.text(1, 1,
               "\x7F"
               "A001");
        w.close();
    }
    expectGrid(readSheet(path, "Sheet1"), 2, 6,
               {{"A1", "0123"},
                {"B1", "4710000000001"},
                {"C1", "12.5"},
                {"D1", "4710000000001"},
                {"E1", "_x000D_ typed"},
                {"F1", "a\r\nb"},
                {"B2", "\x7F"
                       "A001"}},
               "our own writer");
    EXPECT_THROW(workbook::SheetWriter(tmp.path() + "no/such/folder/x.xlsx", "Sheet1").close(),
                 WorkbookError);
}
