// Benchmark of the exchange operations at 100,000 products (not a test).
//
//   tavola-bench [--rows N] [--server-password PW]
//
// Creates its databases and workbooks in a temporary folder from a fixed
// seed, times load-all, export, import, check, normal save and full-mode
// upsert with the embedded engine (and over a loopback server when a SYSDBA
// password is given), times the engine's own script tool loading the same
// products, and prints rows per second for each.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

#include "exchange/FullModeSave.h"
#include "exchange/ImportCheck.h"
#include "exchange/ProductList.h"
#include "exchange/ProductSave.h"
#include "exchange/ProductWorkbook.h"
#include "exchange/WorkbookImport.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/text/Text.h"
#include "platform/workbook/SheetReader.h"
#include "platform/workbook/SheetReaderProcess.h"
#include "platform/workbook/SheetWriter.h"
#include "platform/workbook/ZipWriter.h"
#include "schema/BaseSchema.h"
#include "schema/Upgrade.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double peakMegabytes(int who = RUSAGE_SELF) {
    rusage ru{};
    getrusage(who, &ru);
    return ru.ru_maxrss / 1024.0;
}

void rate(const char* what, const std::string& where, std::size_t rows, double secs) {
    std::printf("%-22s %-9s %8zu rows %8.2f s %10.0f rows/s   (peak so far %.0f MB)\n", what,
                where.c_str(), rows, secs, rows / secs, peakMegabytes());
    std::fflush(stdout);
}

// Requests to the engine since `before`, per 1,000 rows: over a server each
// is a round trip, whatever the machine's speed.
void roundTrips(const char* what, const std::string& where, std::size_t rows,
                const db::Connection::Requests& before, const db::Connection::Requests& after) {
    auto per = [&](uint64_t a, uint64_t b) { return rows ? double(a - b) * 1000.0 / rows : 0.0; };
    std::printf("%-22s %-9s %8.1f round trips per 1,000 rows (executes %.1f, prepares %.1f, "
                "transactions %.1f, blobs %.1f; rows fetched %.1f)\n",
                what, where.c_str(), per(after.roundTrips(), before.roundTrips()),
                per(after.executes, before.executes), per(after.prepares, before.prepares),
                per(after.transactions, before.transactions), per(after.blobs, before.blobs),
                per(after.rowsFetched, before.rowsFetched));
    std::fflush(stdout);
}

std::string productId(std::size_t i, const char* prefix) {
    char b[24];
    std::snprintf(b, sizeof b, "%s%07zu", prefix, i);
    return b;
}

// Deterministic product text of row i.
std::string productName(std::size_t i) {
    static const char* words[] = {"精選", "原子筆", "筆記本", "滑鼠", "鍵盤",
                                  "茶葉", "咖啡",   "書籍",   "背包", "水壺"};
    return std::string(words[i % 10]) + words[(i / 10) % 10] + std::to_string(i % 997);
}

db::ConnectionParams paramsFor(const std::string& database, const std::string& password) {
    db::ConnectionParams p;
    p.setLines({"Database=" + database, "user_name=SYSDBA", "password=" + password,
                "servercharset=UTF8", "sqldialect=3", "isolationlevel=ReadCommitted",
                "waitonlocks=True"});
    return p;
}

void seedProducts(db::Connection& conn, std::size_t rows) {
    db::Query q(&conn);
    q.setSql("INSERT INTO PRODUCT (PROD_ID, PROD_BARCODE, PROD_NAME, PD_ITEMID, SALE_PRICE, WUID) "
             "VALUES (:ID, :BC, :NAME, '01', :P, 'bench')");
    conn.startTransaction();
    for (std::size_t i = 0; i < rows; ++i) {
        q.setString("ID", productId(i, "P"));
        q.setString("BC", "471" + productId(i, ""));
        q.setString("NAME", productName(i));
        q.setDouble("P", double(i % 5000) / 2);
        q.exec();
    }
    conn.commit();
}

// A product workbook of new products (numbers N...), owner filled in.
void writeNewProductsWorkbook(
    const std::string& path, std::size_t rows,
    workbook::SheetWriter::Strings strings = workbook::SheetWriter::Strings::Shared) {
    workbook::SheetWriter w(path, "Sheet1", strings);
    auto fields = exchange::productListFields();
    for (std::size_t c = 0; c < fields.size(); ++c)
        w.text(0, unsigned(c), fields[c].label());
    for (std::size_t i = 0; i < rows; ++i) {
        unsigned r = unsigned(i + 1);
        w.text(r, 0, "\x7F" + productId(i, "N"));
        w.text(r, 1,
               "\x7F"
               "471" +
                   productId(i, ""));
        w.text(r, 2, productName(i));
        w.text(r, 7, i % 10 ? "01" : "99");
        if (i % 10)
            w.text(r, 8, "文具用品");
        w.text(r, 13, "個");
        w.number(r, 23, double(i % 5000) / 2);
        w.text(r, 33, "bench@example.com");
    }
    w.close();
}

workbook::Grid fullModeGrid(std::size_t rows) {
    std::vector<std::vector<std::string>> cells;
    cells.reserve(rows);
    for (std::size_t i = 0; i < rows; ++i)
        cells.push_back({"01",
                         "文具",
                         productId(i, "F"),
                         productName(i),
                         "",
                         "",
                         "",
                         "100",
                         "90",
                         "80",
                         "50",
                         "S001",
                         "供應商",
                         "",
                         "NTD",
                         "10",
                         "",
                         "",
                         "",
                         i % 2 ? "" : "說明一\n說明二",
                         "群組",
                         "平裝",
                         "初版",
                         "關鍵字"});
    return workbook::Grid::fromRows(cells);
}

// The script tool loading the same three rows per product in one transaction.
double scriptToolSeconds(const std::string& database, const std::string& password,
                         const std::string& folder, std::size_t rows) {
    std::string script = folder + "load.sql";
    {
        // Written as it is made, so the script's size does not count in this
        // program's memory.
        std::FILE* f = std::fopen(script.c_str(), "w");
        if (!f)
            throw std::runtime_error("cannot write " + script);
        std::fputs("SET AUTODDL OFF;\n", f);
        for (std::size_t i = 0; i < rows; ++i) {
            std::string id = productId(i, "S");
            std::fprintf(f,
                         "INSERT INTO "
                         "PRODUCT(PROD_ID,PROD_BARCODE,PROD_NAME,PD_ITEMID,UNIT_ID,SALE_PRICE,"
                         "ORIGINAL_PRICE,"
                         "CHG_DATETIME,CHG_USER,CHG_HOST,CR_DATETIME,CR_USER,CR_HOST,WUID) "
                         "VALUES('%s','471%s','%s','01',"
                         "'個',12.5,0,'2026/01/01 00:00:00','qimport','127.0.0.1','2026/01/01 "
                         "00:00:00','qimport',"
                         "'127.0.0.1','bench');\n",
                         id.c_str(), id.c_str(), productName(i).c_str());
            std::fprintf(f,
                         "INSERT INTO "
                         "PRODUCT2(PROD_ID,PUT_ID,FIRST_COST,STD_COST,AVG_COST,MAVG_COST,LAST_COST,"
                         "NETAVG_COST,SAFE_DAY,SAFE_QTY,BEFORE_QTY,NOW_QTY,BEFORE_LENDQTY,LENDQTY,"
                         "P_LOWQTY,P_CHANGE_YN,"
                         "P_LENGTH,P_WIDTH,P_HEIGHT,CHG_DATETIME,CHG_USER,CHG_HOST,CR_DATETIME,CR_"
                         "USER,CR_HOST,WUID) "
                         "VALUES('%s','',0,0,0,0,0,0,0,0,0,0,0,0,1,'Y',0,0,0,'2026/01/01 "
                         "00:00:00','qimport',"
                         "'127.0.0.1','2026/01/01 00:00:00','qimport','127.0.0.1','bench');\n",
                         id.c_str());
            std::fprintf(
                f, "INSERT INTO PROD_PRICE(PROD_ID,PRICE_NO,DEFINE_PRICE) VALUES('%s',0,12.5);\n",
                id.c_str());
        }
        std::fputs("COMMIT;\n", f);
        if (std::fclose(f) != 0)
            throw std::runtime_error("cannot write " + script);
    }
    std::string cmd = "isql-fb -q -ch UTF8 -user SYSDBA -password '" + password + "' -i '" +
                      script + "' '" + database + "' > /dev/null";
    auto t = Clock::now();
    if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "the script tool failed: %s\n", cmd.c_str());
        return 0;
    }
    return seconds(t);
}

// The same sheet as an OpenDocument package and as comma-separated text.
void writeNewProductsOds(const std::string& path, std::size_t rows) {
    std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
                    "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                    "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                    "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
                    "<office:spreadsheet><table:table table:name=\"Sheet1\">";
    auto str = [&](const std::string& t) {
        x += "<table:table-cell office:value-type=\"string\"><text:p>" + t +
             "</text:p></table:table-cell>";
    };
    auto empty = [&](int n) {
        x += "<table:table-cell table:number-columns-repeated=\"" + std::to_string(n) + "\"/>";
    };
    x += "<table:table-row>";
    for (const auto& f : exchange::productListFields())
        str(f.label());
    x += "</table:table-row>";
    for (std::size_t i = 0; i < rows; ++i) {
        x += "<table:table-row>";
        str(productId(i, "N"));
        str("471" + productId(i, ""));
        str(productName(i));
        empty(4);
        str(i % 10 ? "01" : "99");
        i % 10 ? str("文具用品") : empty(1);
        empty(4);
        str("個");
        empty(9);
        x += "<table:table-cell office:value-type=\"float\" office:value=\"" +
             text::formatGeneral(double(i % 5000) / 2) + "\"><text:p>x</text:p></table:table-cell>";
        empty(9);
        str("bench@example.com");
        x += "</table:table-row>";
    }
    x += "</table:table></office:spreadsheet></office:body></office:document-content>";
    workbook::writeZip(
        path, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", x}});
}

void writeNewProductsCsv(const std::string& path, std::size_t rows) {
    std::string t;
    auto fields = exchange::productListFields();
    for (std::size_t c = 0; c < fields.size(); ++c) {
        if (c)
            t += ',';
        t += fields[c].label();
    }
    t += "\r\n";
    for (std::size_t i = 0; i < rows; ++i) {
        t += productId(i, "N") + ",471" + productId(i, "") + "," + productName(i) + ",,,,," +
             (i % 10 ? "01,文具用品" : "99,") + ",,,,,個,,,,,,,,,," +
             text::formatGeneral(double(i % 5000) / 2) + ",,,,,,,,,,bench@example.com\r\n";
    }
    text::writeFile(path, t);
}

// Reading a sheet of `rows` products in each format, in this process and
// through the reader program.
void readerRates(const std::string& folder, std::size_t rows) {
    struct Book {
        const char* what;
        std::string path;
    } books[] = {{"read xlsx (shared)", folder + "new-products.xlsx"},
                 {"read xlsx (inline)", folder + "new-products-inline.xlsx"},
                 {"read ods", folder + "new-products.ods"},
                 {"read csv", folder + "new-products.csv"}};
    writeNewProductsWorkbook(books[0].path, rows);
    writeNewProductsWorkbook(books[1].path, rows, workbook::SheetWriter::Strings::Inline);
    writeNewProductsOds(books[2].path, rows);
    writeNewProductsCsv(books[3].path, rows);
    // Best of three: reading is short, and this machine's noise is not.
    auto best = [](const std::function<std::size_t()>& read) {
        double secs = 1e9;
        std::size_t rows = 0;
        for (int i = 0; i < 3; ++i) {
            auto t = Clock::now();
            rows = read();
            secs = std::min(secs, seconds(t));
        }
        return std::pair{rows, secs};
    };
    for (const auto& b : books) {
        auto [rows, inProc] =
            best([&] { return workbook::readSheet(b.path, "Sheet1").rowCount() - 1; });
        rate(b.what, "in-proc", rows, inProc);
        auto [rows2, child] =
            best([&] { return workbook::readSheetIsolated(b.path, "Sheet1").rowCount() - 1; });
        rate(b.what, "child", rows2, child);
        std::printf("%-22s %-9s %+.0f %%\n", "  child against in-proc", "",
                    (child / inProc - 1) * 100);
        // The reader program holds nothing but the read: its peak is the read's.
        std::string cmd = "'" + std::string(std::getenv("TAVOLA_SHEET_READER")) +
                          "' --print-peak-memory -- '" + b.path + "' Sheet1 2>&1 >/dev/null";
        if (std::FILE* p = popen(cmd.c_str(), "r")) {
            char line[128] = {0};
            if (std::fgets(line, sizeof line, p))
                std::printf("%-22s %-9s %s", "  reader", "child", line);
            pclose(p);
        }
    }
}

// The schema upgrade: a first run on a database with the base tables only,
// and a run on a database that is up to date (probes, no DDL).
void upgradeTimes(const std::string& where, const std::string& folder, const std::string& prefix,
                  const std::string& password) {
    db::ConnectionParams p = paramsFor(prefix + folder + "upgrade.fdb", password);
    schema::createBaseDatabase(p);
    auto t = Clock::now();
    auto first = schema::upgradeDatabase(p);
    double firstSecs = seconds(t);
    schema::upgradeDatabase(p); // adds the invoice amounts of tables the first run made late
    t = Clock::now();
    auto upToDate = schema::upgradeDatabase(p);
    double upToDateSecs = seconds(t);
    std::printf("%-22s %-9s %8zu stmts %8.2f s   (%zu tables created)\n", "upgrade, first run",
                where.c_str(), first.statements.size(), firstSecs, first.tablesCreated.size());
    std::printf("%-22s %-9s %8zu stmts %8.2f s   (%zu columns added)\n", "upgrade, up to date",
                where.c_str(), upToDate.statements.size(), upToDateSecs,
                upToDate.columnsAdded.size());
    std::fflush(stdout);
}

void runAll(const std::string& where, const std::string& folder, const std::string& prefix,
            const std::string& password, std::size_t rows) {
    auto make = [&](const char* name) {
        std::string db = prefix + folder + name;
        schema::createUpgradedDatabase(paramsFor(db, password));
        return db;
    };
    // Load-all and export over a database of `rows` products.
    std::string dbList = make("list.fdb");
    {
        db::Connection conn;
        conn.params() = paramsFor(dbList, password);
        seedProducts(conn, rows);
        dataset::RecordSet list;
        list.setFields(exchange::productListFields());
        list.setConnection(&conn);
        auto t = Clock::now();
        exchange::loadAll(list);
        rate("load-all", where, list.rowCount(), seconds(t));
        t = Clock::now();
        exchange::writeProductWorkbook(list, folder + "export.xlsx");
        rate("export", where, list.rowCount(), seconds(t));
    }
    // Import, check and save of `rows` new products.
    std::string book = folder + "new-products.xlsx";
    if (!text::fileExists(book))
        writeNewProductsWorkbook(book, rows);
    std::string dbSave = make("save.fdb");
    {
        db::Connection conn;
        conn.params() = paramsFor(dbSave, password);
        db::Query item(&conn);
        item.setSql("INSERT INTO PROD_ITEM (PD_ITEMID, PD_ITEMNAME) VALUES ('01', '文具用品')");
        item.exec();
        dataset::RecordSet list;
        list.setFields(exchange::productListFields());
        list.setConnection(&conn);
        exchange::loadAll(list);
        auto t = Clock::now();
        workbook::Grid grid = workbook::readSheetIsolated(book, "Sheet1");
        exchange::ImportResult ir;
        exchange::importIntoList(grid, list, ir);
        rate("import", where, ir.appended, seconds(t));
        t = Clock::now();
        auto before = conn.requests();
        auto cr = exchange::checkList(list, conn);
        rate("check", where, cr.rows, seconds(t));
        roundTrips("check", where, cr.rows, before, conn.requests());
        t = Clock::now();
        before = conn.requests();
        exchange::SaveResult sr;
        exchange::saveNewProducts(list, conn, "bench@example.com", "bench", sr);
        double saveSecs = seconds(t);
        rate("normal save", where, sr.saved, saveSecs);
        roundTrips("normal save", where, sr.saved, before, conn.requests());
        t = Clock::now();
        exchange::SaveResult again;
        exchange::saveNewProducts(list, conn, "bench@example.com", "bench", again);
        rate("second save (all known)", where, again.rows, seconds(t));

        std::string dbScript = make("script.fdb");
        double scriptSecs = scriptToolSeconds(dbScript, password, folder, rows);
        if (scriptSecs > 0) {
            rate("script tool load", where, rows, scriptSecs);
            std::printf("%-22s %-9s %8.2fx the script tool\n", "normal save ratio", where.c_str(),
                        (sr.saved / saveSecs) / (rows / scriptSecs));
        }
    }
    std::string dbFull = make("full.fdb");
    {
        db::Connection conn;
        conn.params() = paramsFor(dbFull, password);
        // The sheet's category and supplier are on file, as in a live database.
        db::Query seed(&conn);
        seed.setSql("INSERT INTO PROD_ITEM (PD_ITEMID, PD_ITEMNAME) VALUES ('01', '文具')");
        seed.exec();
        seed.setSql("INSERT INTO SUPPLIER (CORP_ID, CORP_NAME) VALUES ('S001', '供應商')");
        seed.exec();
        workbook::Grid grid = fullModeGrid(rows);
        auto t = Clock::now();
        auto before = conn.requests();
        exchange::UpsertResult ur;
        exchange::upsertFullMode(grid, conn, "bench", ur);
        rate("full-mode upsert", where, ur.rows - ur.failed.size(), seconds(t));
        roundTrips("full-mode upsert", where, ur.rows, before, conn.requests());
    }
}

} // namespace

int main(int argc, char** argv) {
    std::size_t rows = 100000;
    std::string serverPassword;
    bool upgradeOnly = false, exchangeOnly = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--rows" && i + 1 < argc)
            rows = std::stoul(argv[++i]);
        else if (a == "--upgrade-only")
            upgradeOnly = true;
        else if (a == "--exchange-only")
            exchangeOnly = true;
        else if (a == "--server-password" && i + 1 < argc)
            serverPassword = argv[++i];
        else {
            std::fprintf(stderr, "usage: tavola-bench [--rows N] [--server-password PW] "
                                 "[--upgrade-only | --exchange-only]\n");
            return 2;
        }
    }
    // The reader program of this build, beside the window in app/.
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec)
        setenv("TAVOLA_SHEET_READER",
               (exe.parent_path().parent_path() / "app" / "tavola-sheet-reader").c_str(), 0);
    std::string folder = (std::filesystem::temp_directory_path() / "tavola-bench").string() + "/";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::all);
    try {
        std::string serverFolder = folder + "server/";
        std::filesystem::create_directories(serverFolder);
        std::filesystem::permissions(serverFolder, std::filesystem::perms::all);
        if (!exchangeOnly) {
            upgradeTimes("embedded", folder, "", "masterkey");
            if (!serverPassword.empty())
                upgradeTimes("server", serverFolder, "localhost:", serverPassword);
        }
        if (!upgradeOnly) {
            if (!exchangeOnly)
                readerRates(folder, rows);
            runAll("embedded", folder, "", "masterkey", rows);
            if (!serverPassword.empty()) {
                std::filesystem::copy_file(folder + "new-products.xlsx",
                                           serverFolder + "new-products.xlsx");
                runAll("server", serverFolder, "localhost:", serverPassword, rows);
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavola-bench: %s\n", e.what());
        return 1;
    }
    std::printf("peak memory: %.0f MB\n", peakMegabytes());
    std::filesystem::remove_all(folder);
    return 0;
}
