// tavola-demo-db [--base | --upgraded] FILE: creates a database file
// (embedded engine). Without an option, a demonstration database: the suite's
// base tables brought up to date by the upgrade, and about a thousand
// products with their categories and suppliers; the content is the same on
// every run. --base: the base tables only, as an installation that was never
// upgraded has them. --upgraded: base tables and upgrade, no products (the
// test suites copy this file instead of building a database per test).

#include <cstdio>
#include <string>

#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/text/Text.h"
#include "schema/BaseSchema.h"

namespace {

const char* kCategories[][2] = {
    {"01", "文具用品"}, {"02", "辦公設備"}, {"03", "電腦周邊"}, {"04", "生活家電"},
    {"05", "廚房用品"}, {"06", "清潔用品"}, {"07", "食品飲料"}, {"08", "書籍雜誌"},
    {"09", "運動休閒"}, {"10", "美妝保養"},
};

const char* kSuppliers[][2] = {
    {"S001", "台北文化事業股份有限公司"}, {"S002", "新竹科技實業有限公司"},
    {"S003", "台中精密工業股份有限公司"}, {"S004", "高雄國際貿易有限公司"},
    {"S005", "花蓮好生活企業社"},
};

const char* kAdjectives[] = {"精選", "經典", "豪華", "環保", "多功能", "輕巧", "專業", "家用"};
const char* kNouns[][10] = {
    {"原子筆", "筆記本", "釘書機", "便利貼", "剪刀", "膠帶", "資料夾", "計算機", "修正帶",
     "彩色筆"},
    {"碎紙機", "護貝機", "白板", "辦公椅", "檔案櫃", "電話機", "投影機", "打卡鐘", "書架", "桌燈"},
    {"滑鼠", "鍵盤", "隨身碟", "螢幕", "喇叭", "耳機", "網路攝影機", "讀卡機", "集線器",
     "行動電源"},
    {"電風扇", "吹風機", "電暖器", "除濕機", "空氣清淨機", "電熱水壺", "吸塵器", "電子鍋",
     "烤麵包機", "咖啡機"},
    {"平底鍋", "湯鍋", "菜刀", "砧板", "保鮮盒", "餐具組", "量杯", "打蛋器", "烤盤", "調味罐"},
    {"洗衣精", "洗碗精", "拖把", "抹布", "垃圾袋", "漂白水", "芳香劑", "清潔刷", "菜瓜布",
     "玻璃清潔劑"},
    {"烏龍茶", "綠茶", "咖啡豆", "礦泉水", "餅乾", "牛肉乾", "鳳梨酥", "太陽餅", "米果", "果汁"},
    {"小說", "漫畫", "食譜", "旅遊指南", "字典", "雜誌", "繪本", "傳記", "詩集", "工具書"},
    {"籃球", "羽球拍", "瑜珈墊", "登山杖", "水壺", "運動毛巾", "跳繩", "護膝", "泳鏡", "帳篷"},
    {"化妝水", "乳液", "防曬乳", "洗面乳", "面膜", "護手霜", "口紅", "眼霜", "卸妝油", "精華液"},
};

} // namespace

int main(int argc, char** argv) {
    std::string option = argc == 3 ? argv[1] : "";
    if ((argc != 2 && argc != 3) || (argc == 3 && option != "--base" && option != "--upgraded")) {
        std::fprintf(stderr, "usage: tavola-demo-db [--base | --upgraded] FILE\n");
        return 2;
    }
    std::string file = argv[argc - 1];
    if (text::fileExists(file)) {
        std::printf("%s exists; left as it is\n", file.c_str());
        return 0;
    }
    try {
        db::ConnectionParams p;
        p.setLines({"Database=" + file, "user_name=sysdba", "password=masterkey",
                    "servercharset=UTF8", "sqldialect=3"});
        if (option == "--base") {
            schema::createBaseDatabase(p);
            std::printf("created %s with the base tables\n", file.c_str());
            return 0;
        }
        schema::createUpgradedDatabase(p);
        if (option == "--upgraded") {
            std::printf("created %s with the base tables, upgraded\n", file.c_str());
            return 0;
        }

        db::Connection c;
        c.params() = p;
        c.startTransaction();
        db::Query q(&c);
        q.setSql(
            "INSERT INTO PROD_ITEM (PD_ITEMID, PD_ITEMNAME, WUID) VALUES (:ID, :NAME, 'demo')");
        for (auto& cat : kCategories) {
            q.setString("ID", cat[0]);
            q.setString("NAME", cat[1]);
            q.exec();
        }
        q.setSql("INSERT INTO SUPPLIER (CORP_ID, CORP_NAME, WUID) VALUES (:ID, :NAME, 'demo')");
        for (auto& s : kSuppliers) {
            q.setString("ID", s[0]);
            q.setString("NAME", s[1]);
            q.exec();
        }
        q.setSql(
            "INSERT INTO PARAM_DEFINE (PARAM_TYPE, PARAM_ID, PARAM_VALUE) VALUES ('A', :ID, :V)");
        for (auto [id, v] : {std::pair{"price_dot", "2"},
                             {"cost_dot", "2"},
                             {"corp_email", "demo@tavola.local"},
                             {"corp_title", "示範貿易股份有限公司"}}) {
            q.setString("ID", id);
            q.setString("V", v);
            q.exec();
        }

        db::Query prod(&c), prod2(&c), price(&c);
        prod.setSql("INSERT INTO PRODUCT (PROD_ID, PROD_BARCODE, PROD_NAME, PROD_SNAME, "
                    "PROD_SCALE, PD_ITEMID, "
                    "PD_ITEMNAME, SUPP_CORP_ID, SUPP_CORP_NAME, UNIT_ID, TAX_KIND, STK_QTY_YN, "
                    "MS_YN, WEBSHOW_YN, "
                    "STOP_IN_YN, STOP_SALE_YN, DEL_FLAG_YN, SALE_PRICE, PRODUCTION_PLACE, "
                    "MONEY_ID, ORIGINAL_PRICE, "
                    "CHG_DATETIME, CHG_USER, CR_DATETIME, CR_USER, WUID) VALUES (:ID, :BARCODE, "
                    ":NAME, :SNAME, "
                    ":SCALE, :ITEM, :ITEMNAME, :SUPP, :SUPPNAME, :UNIT, '1', 'Y', 'N', 'N', 'N', "
                    "'N', 'N', :PRICE, "
                    "'台灣', 'NTD', :PRICE, :STAMP, 'demo', :STAMP, 'demo', 'demo@tavola.local')");
        prod2.setSql(
            "INSERT INTO PRODUCT2 (PROD_ID, PUT_ID, FIRST_COST, STD_COST, AVG_COST, MAVG_COST, "
            "LAST_COST, NETAVG_COST, SAFE_DAY, SAFE_QTY, BEFORE_QTY, NOW_QTY, BEFORE_LENDQTY, "
            "LENDQTY, P_LOWQTY, P_CHANGE_YN, P_LENGTH, P_WIDTH, P_HEIGHT, WUID) VALUES (:ID, '', "
            ":COST, :COST, :COST, :COST, :COST, :COST, 0, 0, 0, :QTY, 0, 0, 1, 'Y', 0, 0, 0, "
            "'demo@tavola.local')");
        price.setSql(
            "INSERT INTO PROD_PRICE (PROD_ID, PRICE_NO, DEFINE_PRICE) VALUES (:ID, 0, :PRICE)");
        const char* units[] = {"個", "盒", "包", "支", "台"};
        int n = 0;
        for (int cat = 0; cat < 10; ++cat) {
            for (int i = 0; i < 100; ++i, ++n) {
                char id[16], barcode[16];
                std::snprintf(id, sizeof id, "P%s%04d", kCategories[cat][0], i + 1);
                std::snprintf(barcode, sizeof barcode, "471%010d", 1000000 + n);
                std::string noun = kNouns[cat][i % 10];
                std::string name = std::string(kAdjectives[(i / 10) % 8]) + noun;
                if (i >= 80)
                    name += "（加大）";
                double salePrice = 20 + (n * 37) % 1980 + ((n % 4) == 0 ? 0.5 : 0.0);
                prod.setString("ID", id);
                prod.setString("BARCODE", barcode);
                prod.setString("NAME", name);
                prod.setString("SNAME", noun);
                prod.setString("SCALE", std::to_string(10 + i % 7 * 5) + " 公分");
                prod.setString("ITEM", kCategories[cat][0]);
                prod.setString("ITEMNAME", kCategories[cat][1]);
                prod.setString("SUPP", kSuppliers[n % 5][0]);
                prod.setString("SUPPNAME", kSuppliers[n % 5][1]);
                prod.setString("UNIT", units[n % 5]);
                prod.setDouble("PRICE", salePrice);
                prod.setString("STAMP", "2026/01/05 09:30:00");
                prod.exec();
                prod2.setString("ID", id);
                prod2.setDouble("COST", salePrice * 0.6);
                prod2.setInt("QTY", (n * 13) % 250);
                prod2.exec();
                price.setString("ID", id);
                price.setDouble("PRICE", salePrice);
                price.exec();
            }
        }
        c.commit();
        std::printf("created %s with %d products\n", file.c_str(), n);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavola-demo-db: %s\n", e.what());
        return 1;
    }
    return 0;
}
