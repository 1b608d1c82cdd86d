// Runs the real tavola-batch program on a test database in its own
// application folder (TAVOLA_HOME).

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

#include "platform/text/Text.h"
#include "platform/workbook/SheetReader.h"
#include "support/TestDatabase.h"

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

class BatchTest : public ::testing::Test {
  protected:
    testdata::TestDatabase database;

    void SetUp() override {
        text::writeFile(database.folder() + "dbconfig.txt", database.configText());
        database.exec("insert into PROD_ITEM (PD_ITEMID, PD_ITEMNAME) values ('01', '文具用品')");
        database.exec("insert into PRODUCT (PROD_ID, PROD_NAME, PD_ITEMID, WUID) values ('A1', "
                      "'甲', '01', 'w')");
        database.exec("insert into PARAM_DEFINE (PARAM_ID, PARAM_VALUE) values ('corp_email', "
                      "'batch@example.com')");
    }

    Outcome run(const std::string& args) {
        std::string errFile = database.folder() + "stderr.txt";
        std::string cmd = "TAVOLA_HOME='" + database.folder() + "' '" TAVOLA_BATCH "' " + args +
                          " 2>'" + errFile + "'";
        Outcome r{};
        FILE* p = popen(cmd.c_str(), "r");
        std::array<char, 4096> buf;
        while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p))
            r.out.append(buf.data(), n);
        int st = pclose(p);
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        r.err = text::readFile(errFile);
        return r;
    }
    std::string csv(const std::string& name, const std::string& body) {
        std::string path = database.folder() + name;
        text::writeFile(path, "商品編號,商品條碼,商品名稱\n" + body);
        return path;
    }
};

} // namespace

TEST_F(BatchTest, ListPrintsTheProductsAsTabSeparatedText) {
    Outcome r = run("list");
    EXPECT_EQ(r.status, 0) << r.err;
    auto lines = text::splitLines(r.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("PROD_ID\tPROD_BARCODE\tPROD_NAME\t", 0), 0u);
    EXPECT_EQ(lines[1].rfind("A1\t\t甲\t", 0), 0u);
    EXPECT_NE(r.err.find("rows: 1\n"), std::string::npos);

    Outcome bad = run("list --sql \"select PROD_ID from PRODUCT\"");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("RecordSetError error raised, with message : 找不到欄位 'PROD_BARCODE'"),
              std::string::npos)
        << bad.err;
}

TEST_F(BatchTest, ImportSavesNewProductsAndSummarises) {
    std::string file = csv("in.csv", "A1,,x,,,,,01,,,,,,,,,,,,,,,,,,,,,,,,,,w\n"
                                     "N1,,新品,,,,,01,,,,,,,,,,,,,,,,12.5,,,,,,,,,,w\n"
                                     "N2,,無分類,,,,,ZZ,,,,,,,,,,,,,,,,,,,,,,,,,,w\n");
    Outcome r = run("import '" + file + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* line : {"rows read: 3\n", "appended: 2\n", "skipped (already listed): 1\n",
                             "marked * (category not on file): 1\n",
                             "marked # (product on file): 1\n", "saved: 2\n",
                             "skipped (product on file): 1\n"})
        EXPECT_NE(r.err.find(line), std::string::npos) << line << r.err;
    EXPECT_EQ(database.scalar("select count(*) from PRODUCT"), "3");
    EXPECT_EQ(database.scalar("select WUID from PRODUCT where PROD_ID = 'N1'"),
              "batch@example.com");
}

TEST_F(BatchTest, AFailedImportSavesNothingAndExitsOne) {
    struct {
        const char* body;
        const char* message;
    } cases[] = {
        {"N1,,ok,,,,,01,,,,,,,,,,,,,,,,,,,,,,,,,,w\nN2,,no owner\n",
         "RecordSetError error raised, with message : 第 3 列 AH 欄（WUID），商品編號 N2：欄位 "
         "'WUID' 必須有值"},
        {"N1,,bad price,,,,,01,,,,,,,,,,,,,,,,abc,,,,,,,,,,w\n",
         "ConvertError error raised, with message : 第 2 列 X 欄（市價），商品編號 N1：'abc' "
         "不是有效的數值"},
    };
    for (const auto& c : cases) {
        Outcome r = run("import '" + csv("bad.csv", c.body) + "'");
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(database.scalar("select count(*) from PRODUCT"), "1");
    }
}

TEST_F(BatchTest, CheckPrintsTheMarksOfTheFilesRowsWithoutSaving) {
    std::string file = csv("c.csv", "N2,,x,,,,,ZZ,,,,,,,,,,,,,,,,,,,,,,,,,,w\n");
    Outcome r = run("check '" + file + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "*\tN2\n");
    EXPECT_EQ(run("check --all '" + file + "'").out, "#\tA1\n*\tN2\n");
    EXPECT_EQ(database.scalar("select count(*) from PRODUCT"), "1");
    // Full mode has no check.
    text::writeFile(database.folder() + "lumara.txt", "shop01\n");
    Outcome full = run("check '" + file + "'");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "完整模式不需執行此功能.!\n");
}

TEST_F(BatchTest, ImportWritesTheRowsThatDidNotSaveWhenAsked) {
    database.exec("create exception E_REJECT 'rejected'");
    database.exec("create trigger T_REJECT for PRODUCT2 before insert as begin "
                  "if (new.PROD_ID = 'BAD') then exception E_REJECT; end");
    std::string file = csv("in.csv", "N1,,一,,,,,01,,,,,,,,,,,,,,,,1,,,,,,,,,,w\n"
                                     "BAD,,壞,,,,,01,,,,,,,,,,,,,,,,2,,,,,,,,,,w\n"
                                     "N3,,三,,,,,01,,,,,,,,,,,,,,,,3,,,,,,,,,,w\n");
    std::string errors = database.folder() + "failed.xlsx";
    Outcome r = run("import '" + file + "' --errors '" + errors + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("saved: 1\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("stopped at 商品編號 BAD：exception 1；E_REJECT；rejected"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("rows that did not save: " + errors), std::string::npos) << r.err;
    workbook::Grid g = workbook::readSheet(errors, "Sheet1");
    ASSERT_EQ(g.rowCount(), 3u);
    EXPECT_EQ(g.cell(0, 1), "\x7F"
                            "BAD");
    EXPECT_EQ(g.cell(0, 2), "\x7F"
                            "N3");
    EXPECT_NE(g.cell(34, 1).find("rejected"), std::string::npos);

    // Corrected, the workbook imports back.
    database.exec("drop trigger T_REJECT");
    Outcome again = run("import '" + errors + "'");
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(database.scalar("select count(*) from PRODUCT where PROD_ID in ('N1', 'BAD', 'N3')"),
              "3");
}

TEST_F(BatchTest, HelpNamesTheFolderItsFilesAndTheExitStatuses) {
    Outcome r = run("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* part : {"TAVOLA_HOME", "dbconfig.txt", "lumara.txt", "Exit status", "130",
                             "--errors", "Examples"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part;
    // A folder that is not there is named.
    std::string cmd = "TAVOLA_HOME=/no/such/folder '" TAVOLA_BATCH "' list 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    std::array<char, 512> buf;
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p))
        out.append(buf.data(), n);
    int st = pclose(p);
    EXPECT_EQ(WEXITSTATUS(st), 1);
    EXPECT_EQ(out, "應用程式資料夾 /no/such/folder/ 不存在（由 TAVOLA_HOME 指定）\n");
}

TEST_F(BatchTest, ExportWritesTheWorkbookByTheNameRule) {
    Outcome r = run("export '" + database.folder() + "out'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(text::fileExists(database.folder() + "out.xls"));
    EXPECT_NE(r.err.find("written: " + database.folder() + "out.xls"), std::string::npos) << r.err;
}

TEST_F(BatchTest, FullModeImportListsFailures) {
    text::writeFile(database.folder() + "lumara.txt", "shop01\n");
    database.exec("alter table PRODUCT drop SEC_DIS");
    text::writeFile(database.folder() + "full.csv", "01,文具,A1,更新\n01,文具,NEW,新\n");
    Outcome r = run("import '" + database.folder() + "full.csv'");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(
        r.err.find("inserted: 0\nupdated: 1\nfailed: 1\n  NEW轉檔失敗..　第 2 列：Dynamic SQL "
                   "Error；SQL error code = -206；Column unknown；SEC_DIS；At line 1, column "),
        std::string::npos)
        << r.err;
    EXPECT_EQ(database.scalar("select PROD_NAME from PRODUCT where PROD_ID = 'A1'"), "更新");
}

TEST_F(BatchTest, AFileThatIsNoWorkbookAppendsNothingAndExitsOne) {
    std::string fixtures = std::string(TAVOLA_FIXTURES) + "/workbooks/";
    text::writeFile(database.folder() + "letter.xls", "Dear customer\nThank you.\n");
    text::writeFile(database.folder() + "empty.xlsx", "");
    for (const char* f : {"letter.xls", "empty.xlsx"}) {
        Outcome r = run(std::string("import '") + database.folder() + f + "'");
        EXPECT_EQ(r.status, 1) << f;
        EXPECT_NE(r.err.find("WorkbookError error raised, with message : 無法辨識的活頁簿格式："),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("appended: 0\n"), std::string::npos) << r.err;
    }
    // A workbook a library wrote (inline strings, absolute part names) reads whole.
    Outcome r = run("check '" + fixtures + "text-openpyxl.xlsx'");
    // Its second row is empty: the import stops there, as an empty row inside a sheet does.
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("rows read: 1\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("欄位 '商品編號' 必須有值"), std::string::npos) << r.err;
}

TEST_F(BatchTest, AStartUpErrorIsPrintedAndExitsOne) {
    std::filesystem::create_directory(database.folder() + "lang_src");
    text::writeFile(database.folder() + "lang_src/lang_zhtw.xml", "<DATAPACKET>");
    Outcome r = run("list");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("RecordSetError error raised, with message : 檔案 \"" +
                              database.folder() + "lang_src/lang_zhtw.xml\" 不是可讀取的資料集：",
                          0),
              0u)
        << r.err;
    EXPECT_EQ(r.out, "");
}

namespace {

// A program running with its standard error read line by line.
struct Child {
    pid_t pid = -1;
    FILE* err = nullptr;
    std::string errText;
    // Reads lines until one holds `text` (true) or the output ends (false).
    bool waitFor(const std::string& text) {
        char line[4096];
        while (std::fgets(line, sizeof line, err)) {
            errText += line;
            if (std::strstr(line, text.c_str()))
                return true;
        }
        return false;
    }
    int finish() {
        char buf[4096];
        while (std::size_t n = std::fread(buf, 1, sizeof buf, err))
            errText.append(buf, n);
        std::fclose(err);
        int st = 0;
        waitpid(pid, &st, 0);
        return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    }
};

Child spawn(std::vector<std::string> args, const std::vector<std::string>& env) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv, envp;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment = env;
    for (char** e = environ; *e; ++e)
        environment.push_back(*e);
    for (auto& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    Child c;
    EXPECT_EQ(posix_spawn(&c.pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    c.err = fdopen(fds[0], "r");
    return c;
}

} // namespace

// Ctrl+C during a save: the save ends after the current product, what is
// whole is committed, and the summary counts exactly what was saved.
TEST_F(BatchTest, InterruptedImportSavesWholeProductsAndExits130) {
    std::string csv = "商品編號,商品條碼\n";
    for (int i = 0; i < 60000; ++i)
        csv += "N" + std::to_string(100000 + i) + ",,名稱,,,,,01,,,,,,,,,,,,,,,,,,,,,,,,,,w\n";
    text::writeFile(database.folder() + "big.csv", csv);
    Child c = spawn({TAVOLA_BATCH, "import", database.folder() + "big.csv"},
                    {"TAVOLA_HOME=" + database.folder()});
    ASSERT_TRUE(c.waitFor("回存")) << c.errText;
    kill(c.pid, SIGINT);
    int status = c.finish();
    EXPECT_EQ(status, 130) << c.errText;
    EXPECT_NE(c.errText.find("stopped on request"), std::string::npos) << c.errText;
    std::size_t at = c.errText.find("saved: ");
    ASSERT_NE(at, std::string::npos) << c.errText;
    long saved = std::stol(c.errText.substr(at + 7));
    EXPECT_LT(saved, 60000);
    EXPECT_EQ(database.scalar("select count(*) from PRODUCT where PROD_ID starting with 'N'"),
              std::to_string(saved));
    EXPECT_EQ(database.scalar("select count(*) from PRODUCT2"), std::to_string(saved));
    EXPECT_EQ(database.scalar("select count(*) from PROD_PRICE"), std::to_string(saved));
}

// kill closes the window as its close box does: the program ends normally.
TEST_F(BatchTest, TheWindowClosesCleanlyOnTerminate) {
    // Full mode: the window opens without touching the database.
    text::writeFile(database.folder() + "lumara.txt", "shop01\n");
    Child c =
        spawn({TAVOLA_WINDOW}, {"TAVOLA_HOME=" + database.folder(), "QT_QPA_PLATFORM=offscreen"});
    usleep(500000);
    kill(c.pid, SIGTERM);
    EXPECT_EQ(c.finish(), 0) << c.errText;
}

TEST_F(BatchTest, UpgradeRunsWhatItsPlanListsAndReports) {
    testdata::copyDatabase(testdata::Schema::Base, database.file()); // never upgraded
    Outcome plan = run("upgrade --plan");
    ASSERT_EQ(plan.status, 0) << plan.err;
    EXPECT_EQ(plan.out.rfind("CREATE TABLE PRODUCT_PLACE (", 0), 0u);
    EXPECT_EQ(database.scalar("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = "
                              "'PRODUCT_PLACE'"),
              "0");
    auto count = plan.out.rfind("-- ");
    ASSERT_NE(count, std::string::npos);
    std::string planned = plan.out.substr(count + 3, plan.out.find(' ', count + 3) - count - 3);

    Outcome up = run("upgrade");
    ASSERT_EQ(up.status, 0) << up.err;
    EXPECT_NE(up.err.find("tables created: 76 (PRODUCT_PLACE, "), std::string::npos) << up.err;
    EXPECT_NE(up.err.find("seed rows inserted: 27"), std::string::npos) << up.err;
    EXPECT_NE(up.err.find("statements run: " + planned + "\n"), std::string::npos) << up.err;
    EXPECT_NE(up.err.find("column additions failed: 0"), std::string::npos) << up.err;
    EXPECT_NE(up.err.find("elapsed: "), std::string::npos) << up.err;

    // A statement the server rejects ends the run with its message.
    database.exec("DROP TABLE SYS_MENU");
    Outcome failed = run("upgrade");
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("tables created: 0"), std::string::npos) << failed.err;
    EXPECT_NE(failed.err.find("SYS_MENU"), std::string::npos) << failed.err;
}

TEST_F(BatchTest, UsageErrorsExitTwo) {
    EXPECT_EQ(run("").status, 2);
    EXPECT_EQ(run("frobnicate").status, 2);
    EXPECT_EQ(run("import").status, 2);
    EXPECT_EQ(run("import /no/such/file.xlsx").status, 2);
    EXPECT_EQ(run("--help").status, 0);
}

TEST(WindowProgram, WithoutADisplaySaysHowToRunIt) {
    std::string cmd =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" TAVOLA_WINDOW "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    std::array<char, 1024> buf;
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p))
        out.append(buf.data(), n);
    int st = pclose(p);
    EXPECT_EQ(WIFEXITED(st) ? WEXITSTATUS(st) : -1, 1);
    EXPECT_NE(out.find("xvfb-run"), std::string::npos) << out;
}
