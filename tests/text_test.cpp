#include <gtest/gtest.h>

#include "platform/text/Text.h"

TEST(Text, TrimRemovesControlsAndBlanksOnly) {
    EXPECT_EQ(text::trim(" \t\r\nA B\x01 "), "A B");
    EXPECT_EQ(text::trim("\xE3\x80\x80"
                         "A"),
              "\xE3\x80\x80"
              "A"); // U+3000 stays
}

TEST(Text, CutsCountCodePoints) {
    EXPECT_EQ(text::codePoints("商品A"), 3u);
    EXPECT_EQ(text::leftChars("商品資料", 2), "商品");
    EXPECT_EQ(text::leftChars("ab", 5), "ab");
}

TEST(Text, NumberConversions) {
    struct {
        const char* in;
        int64_t i;
        double d;
    } cases[] = {
        {"3", 3, 3},       {"-1", -1, -1},   {"+7", 7, 7}, {"abc", 0, -9}, {"1,234", 0, -9},
        {"12.5", 0, 12.5}, {"1e3", 0, 1000}, {"", 0, -9},  {" 3", 0, -9},  {".5", 0, 0.5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::toIntDef(c.in, 0), c.i) << c.in;
        EXPECT_DOUBLE_EQ(text::toFloatDef(c.in, -9), c.d) << c.in;
    }
}

TEST(Text, GeneralNumberForm) {
    struct {
        double v;
        const char* s;
    } cases[] = {{120, "120"}, {12.5, "12.5"},     {4710000000001.0, "4710000000001"},
                 {0.1, "0.1"}, {-2.675, "-2.675"}, {1.005, "1.005"},
                 {0, "0"}};
    for (const auto& c : cases)
        EXPECT_EQ(text::formatGeneral(c.v), c.s);
}

TEST(Text, DecodesByteOrderMarks) {
    EXPECT_EQ(text::decodeTextFile("\xEF\xBB\xBF"
                                   "A=商"),
              "A=商");
    EXPECT_EQ(text::decodeTextFile(std::string("\xFF\xFE"
                                               "A\0=\0\x46\x55",
                                               8)),
              "A=商");
    EXPECT_EQ(text::decodeTextFile(std::string("\xFE\xFF\0A\0=\x55\x46", 8)), "A=商");
    EXPECT_EQ(text::splitLines("a\r\nb\rc\nd\n"), (std::vector<std::string>{"a", "b", "c", "d"}));
}
