#include <gtest/gtest.h>

#include "platform/text/Text.h"
#include "search/SearchConditions.h"
#include "search/SearchSettings.h"
#include "support/TestDatabase.h"

using search::MatchMode;
using search::SearchConditions;

TEST(SearchConditions, FirstConditionInEachMatchMode) {
    struct {
        MatchMode mode;
        const char* keyword;
        const char* line;
    } cases[] = {
        {MatchMode::Exact, "abc", " WHERE PROD_NAME  =  'abc' "},
        {MatchMode::Prefix, "abc", " WHERE PROD_NAME  like  'abc%' "},
        {MatchMode::Contains, "abc", " WHERE PROD_NAME  like  '%abc%' "},
        {MatchMode::Exact, "", " WHERE PROD_NAME  =  '' "},
        {MatchMode::Prefix, "", " WHERE PROD_NAME  like  '%' "},
        {MatchMode::Contains, "", " WHERE PROD_NAME  like  '%%' "},
        {MatchMode::Exact, "it's", " WHERE PROD_NAME  =  'it''s' "},
    };
    for (const auto& c : cases) {
        SearchConditions s;
        ASSERT_TRUE(s.add("首要", "PROD_NAME", "商品名稱", c.mode, c.keyword));
        auto lines = s.composeLines("PROD_ID,PROD_NAME", "PRODUCT", " ORDER BY PROD_ID");
        EXPECT_EQ(lines, (std::vector<std::string>{"SELECT PROD_ID,PROD_NAME FROM ", "PRODUCT ",
                                                   c.line, "  ORDER BY PROD_ID"}))
            << c.keyword;
    }
}

TEST(SearchConditions, ConnectivesFollowTheList) {
    SearchConditions s;
    EXPECT_EQ(s.connectiveItems(), std::vector<std::string>{"首要"});
    s.add("首要", "A", "a", MatchMode::Exact, "1");
    EXPECT_EQ(s.connectiveItems(), (std::vector<std::string>{"加上", "或者"}));
    s.add("或者", "B", "b", MatchMode::Exact, "2");
    s.add("加上", "C", "c", MatchMode::Exact, "3");
    auto lines = s.composeLines("", "T", "");
    EXPECT_EQ(lines, (std::vector<std::string>{"SELECT  *  FROM ", "T ", " WHERE A  =  '1' ",
                                               " OR B  =  '2' ", " AND C  =  '3' ", " "}));
    EXPECT_EQ(s.CDS_SQL.row(2)[0], db::Value(int64_t(3)));
    EXPECT_EQ(s.CDS_SQL.row(1)[3], db::Value(std::string("b")));
    EXPECT_FALSE(s.add("加上", "", "", MatchMode::Exact, "x")); // no column selected: nothing added
    EXPECT_EQ(s.count(), 3u);
    s.reset();
    EXPECT_EQ(s.count(), 0u);
    EXPECT_EQ(s.connectiveItems(), std::vector<std::string>{"首要"});
}

TEST(SearchConditions, LongKeywordsAreKeptWhole) {
    SearchConditions s;
    std::string keyword(60, 'k');
    s.add("首要", "PROD_NAME", "商品名稱", MatchMode::Contains, keyword);
    EXPECT_EQ(db::toText(s.CDS_SQL.row(0)[5]), "'%" + keyword + "%'");
}

TEST(SearchSettings, DefaultsThenWrittenValuesAndCaseInsensitiveKeys) {
    testdata::TempFolder app;
    std::string file = app.path() + "SearchData.ini";
    auto d = search::loadWindowSettings(file, "PRODUCT", 1365, 767);
    EXPECT_EQ(d.width, 1228); // 1228.5 rounds to even
    EXPECT_EQ(d.height, 690); // 690.3
    EXPECT_EQ(d.top, 0);
    EXPECT_EQ(d.left, 0);
    EXPECT_EQ(d.combo, 0);
    EXPECT_EQ(d.radio, 0);

    search::WindowSettings w{800, 600, 12, 34, 2, 1, "原子筆"};
    search::saveWindowSettings(file, "PRODUCT", w);
    search::saveWindowSettings(file, "SUPPLIER", {1, 2, 3, 4, 5, 6, ""});
    std::string written = text::readFile(file);
    EXPECT_NE(written.find("top = 12"), std::string::npos) << written;
    EXPECT_NE(written.find("left = 34"), std::string::npos) << written;
    auto r = search::loadWindowSettings(file, "product", 1365, 767);
    EXPECT_EQ(r.width, 800);
    EXPECT_EQ(r.height, 600);
    EXPECT_EQ(r.top, 12);
    EXPECT_EQ(r.left, 34);
    EXPECT_EQ(r.combo, 2);
    EXPECT_EQ(r.radio, 1);
    EXPECT_EQ(r.edit, "原子筆");
    EXPECT_EQ(search::loadWindowSettings(file, "SUPPLIER", 0, 0).radio, 6);
}

// A damaged layout file cannot make the dialog read more columns than its grid has.
TEST(SearchSettings, GridLayoutCountIsBoundedByTheGrid) {
    testdata::TempFolder app;
    std::string file = app.path() + "PRODUCT_DBGrid.ini";
    text::writeFile(file, "[Columns]\nCount=9223372036854775807\n[Column0]\nField=PROD_ID\n"
                          "[Column1]\nField=PROD_NAME\n[Column2]\nField=WUID\n");
    auto cols = search::loadGridLayout(file, 2);
    ASSERT_EQ(cols.size(), 2u);
    EXPECT_EQ(cols[1].field, "PROD_NAME");
    text::writeFile(file, "[Columns]\nCount=-5\n[Column0]\nField=PROD_ID\n");
    EXPECT_TRUE(search::loadGridLayout(file, 34).empty());
}

TEST(SearchSettings, GridLayoutRoundTrips) {
    testdata::TempFolder app;
    std::string file = app.path() + "PRODUCT_DBGrid.ini";
    EXPECT_TRUE(search::loadGridLayout(file, 34).empty());
    std::vector<search::GridColumn> cols{
        {"PROD_NAME", 300, true}, {"PROD_ID", 60, true}, {"WUID", 80, false}};
    search::saveGridLayout(file, cols);
    auto back = search::loadGridLayout(file, 34);
    ASSERT_EQ(back.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(back[i].field, cols[i].field);
        EXPECT_EQ(back[i].width, cols[i].width);
        EXPECT_EQ(back[i].visible, cols[i].visible);
    }
}
