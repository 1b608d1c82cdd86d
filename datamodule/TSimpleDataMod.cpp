#include "TSimpleDataMod.h"

#include <arpa/inet.h>
#include <functional>
#include <netdb.h>
#include <unistd.h>

#include "platform/text/Text.h"
#include "schema/Probes.h"
#include "services/IdentifierChecks.h"
#include "services/Lookups.h"
#include "services/Numbers.h"
#include "services/Packets.h"

using dataset::FieldDef;
using dataset::FieldKind;

TSimpleDataMod::TSimpleDataMod(std::string appFolder, std::vector<std::string> args,
                               platform::Prompts* prompts)
    : appFolder_(std::move(appFolder)), upgradeMode_(!args.empty() && text::lower(args[0]) == "u"),
      prompts_(prompts) {
    ClientDataSet1.setConnection(&SQLConnection1);
    SQLConnection1.setAfterConnect([this] { SQLConnection1AfterConnect(); });
    DataModuleCreate();
}

std::vector<std::string> TSimpleDataMod::defaultParams(const std::string& appFolder) {
    return {
        "drivername=FIREBIRD",
        "blobsize=-1",
        "commitretain=False",
        "Database=localhost:" + appFolder + "data/halden.fdb",
        "localecode=0000",
        "password=fjordline",
        "rolename=RoleName",
        "sqldialect=3",
        "isolationlevel=ReadCommitted",
        "user_name=sysdba",
        "waitonlocks=True",
        "trim char=False",
        "servercharset=UTF8",
    };
}

void TSimpleDataMod::DataModuleCreate() {
    startupErrors_.clear();
    // Each step on its own: a damaged language table must not keep the
    // connection parameters from being read.
    auto step = [this](const std::function<void()>& run) {
        try {
            run();
        } catch (const std::runtime_error& e) { // unreadable or malformed file
            startupErrors_.push_back(platform::errorText(e));
            if (prompts_)
                prompts_->error(startupErrors_.back());
        }
    };
    step([this] {
        if (!text::dirExists(appFolder_ + "lang_src"))
            return;
        std::string file = appFolder_ + "lang_src/lang_zhtw.xml";
        if (text::fileExists(file)) {
            CDS_LANG_SRC.loadFromFile(file);
            return;
        }
        auto text = [](const char* name, int size) {
            FieldDef f;
            f.name = name;
            f.kind = FieldKind::WideText;
            f.size = size;
            return f;
        };
        CDS_LANG_SRC.setFields({text("FORM_NAME", 30), text("COMPONENT_NAME", 30),
                                text("COMPONENT_CAPTION", 100), text("COMPONENT_HINT", 100)});
        CDS_LANG_SRC.createDataSet();
    });
    step([this] {
        if (std::string file = appFolder_ + "lang/lang_zhcn.xml"; text::fileExists(file))
            CDS_LANG.loadFromFile(file);
    });
    SQLConnection1.close();
    std::string config = appFolder_ + "dbconfig.txt";
    if (text::fileExists(config)) {
        SQLConnection1.params().clear();
        SQLConnection1.params().setSource(config);
        step([&] {
            SQLConnection1.params().setLines(
                text::splitLines(text::decodeTextFile(text::readFile(config))));
        });
    } else {
        SQLConnection1.params().setLines(defaultParams(appFolder_));
        SQLConnection1.params().setSource("");
    }
}

void TSimpleDataMod::CDS_Query(dataset::RecordSet& ACDS, const std::string& ASQL) {
    SQLConnection1.params().set("servercharset", "UTF8");
    ClientDataSet1.close();
    ClientDataSet1.setCommandText(ASQL);
    ClientDataSet1.open();
    if (&ACDS == &ClientDataSet1)
        return; // it holds the rows already
    try {
        ACDS.copyFrom(ClientDataSet1);
    } catch (const std::exception& e) {
        if (prompts_)
            prompts_->error(platform::errorText(e));
    }
}

std::string TSimpleDataMod::LoadParam(const std::string& sParam_id) {
    // The key is bound as a parameter rather than pasted into the text.
    SQLQuery2.close();
    SQLQuery2.clear();
    SQLQuery2.add("SELECT PARAM_VALUE FROM PARAM_DEFINE where PARAM_ID=:PARAM_ID");
    SQLQuery2.setKeyLookup(true);
    SQLQuery2.setString("PARAM_ID", sParam_id);
    SQLQuery2.open();
    if (SQLQuery2.eof())
        return {};
    return SQLQuery2.asString("PARAM_VALUE");
}

std::string TSimpleDataMod::LocalIP() {
    char host[64] = {0};
    if (gethostname(host, 63) != 0)
        return {};
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &list) != 0 || !list)
        return {};
    std::string result;
    for (addrinfo* a = list; a; a = a->ai_next) {
        char buf[INET_ADDRSTRLEN];
        auto* sin = reinterpret_cast<sockaddr_in*>(a->ai_addr);
        if (inet_ntop(AF_INET, &sin->sin_addr, buf, sizeof buf))
            result = buf;
    }
    freeaddrinfo(list);
    return result;
}

template <typename F> auto TSimpleDataMod::withUpgrader(F&& f) {
    schema::LiveSchema live(SQLQuery1, SQLQuery2);
    schema::Upgrader upgrader(live, upgradeReport_, upgradeProgress_);
    return f(upgrader);
}

bool TSimpleDataMod::Search_Table(const std::string& sTable) {
    return schema::searchTable(SQLQuery1, sTable);
}
bool TSimpleDataMod::Search_Index(const std::string& sIndexName) {
    return schema::searchIndex(SQLQuery1, sIndexName);
}
bool TSimpleDataMod::Search_Trigger(const std::string& sTable, const std::string& sTrigger) {
    return schema::searchTrigger(SQLQuery1, sTable, sTrigger);
}
bool TSimpleDataMod::TableIsEmpty(const std::string& sTable) {
    return schema::tableIsEmpty(SQLQuery3, sTable);
}
bool TSimpleDataMod::Add_StrField(const std::string& sTable, const std::string& sField,
                                  const std::string& sLength) {
    return withUpgrader([&](schema::Upgrader& u) { return u.addStrField(sTable, sField, sLength); });
}
bool TSimpleDataMod::Add_DoubleField(const std::string& sTable, const std::string& sField) {
    return withUpgrader([&](schema::Upgrader& u) { return u.addDoubleField(sTable, sField); });
}
void TSimpleDataMod::tablecreate() {
    withUpgrader([](schema::Upgrader& u) { u.tablecreate(); });
}
void TSimpleDataMod::tablecreate2() {
    withUpgrader([](schema::Upgrader& u) { u.tablecreate2(); });
}
void TSimpleDataMod::runtrigger() {
    withUpgrader([](schema::Upgrader& u) { u.runtrigger(); });
}

void TSimpleDataMod::Upgrade() {
    upgradeReport_ = {};
    withUpgrader([this](schema::Upgrader& u) { u.upgrade(schema::editionsOf(appFolder_)); });
}

void TSimpleDataMod::SQLConnection1AfterConnect() {
    if (upgradeMode_)
        Upgrade();
    settings.load([this](const std::string& id) { return LoadParam(id); });
    SQLQuery1.close();
    SQLQuery1.clear();
    SQLQuery1.add("DELETE FROM PROD_CHGDATA WHERE FLAG_ID='EB' ");
    SQLQuery1.add("AND MASTERBILLID NOT IN (SELECT MASTERBILLID FROM CHGQTY_MASTER)");
    SQLQuery1.exec();
}

bool TSimpleDataMod::CheckBANO(const std::string& BANO) {
    return services::CheckBANO(BANO);
}
bool TSimpleDataMod::CheckRocID(const std::string& ID) {
    return services::CheckRocID(ID);
}
bool TSimpleDataMod::InvoiceNumCheck(const std::string& s) {
    return services::InvoiceNumCheck(s);
}
double TSimpleDataMod::RoundPrice(double _fv) const {
    return services::RoundNum(_fv, settings.price_dot);
}
double TSimpleDataMod::RoundNum(double _fv, int _iDot) {
    return services::RoundNum(_fv, _iDot);
}

std::string TSimpleDataMod::GetMaxBillID(const std::string& sTable, const std::string& sDate,
                                         const std::string& sFlag) {
    return services::GetMaxBillID(SQLConnection1, sTable, sDate, sFlag);
}

void TSimpleDataMod::SplitParams(const std::string& Params, std::vector<std::string>* Dest) {
    services::SplitParams(Params, Dest);
}

std::string TSimpleDataMod::GetSalePrice(const std::string& sCorp_id,
                                         const std::string& sTempprodid, int iPriceno,
                                         const std::string& sDate) {
    return services::GetSalePrice(SQLConnection1, sCorp_id, sTempprodid, iPriceno, sDate);
}

std::string TSimpleDataMod::GetInPrice(const std::string& sCorp_id, const std::string& sTempprodid,
                                       int iPriceno) {
    return services::GetInPrice(SQLConnection1, sCorp_id, sTempprodid, iPriceno);
}

std::string TSimpleDataMod::GetCostPrice(const std::string& sTempprodid, int iPriceno) {
    return services::GetCostPrice(SQLConnection1, sTempprodid, iPriceno);
}

std::string TSimpleDataMod::GetPosPrice(const std::string& sTempprodid, const std::string& sDate) {
    return services::GetPosPrice(SQLConnection1, sTempprodid, sDate);
}

std::string TSimpleDataMod::GetMaterial_Price(const std::string& sCorp_id, const std::string& sid) {
    return services::GetMaterial_Price(SQLConnection1, sCorp_id, sid);
}

std::string TSimpleDataMod::GetProtector_Price(const std::string& sCorp_id,
                                               const std::string& sid) {
    return services::GetProtector_Price(SQLConnection1, sCorp_id, sid);
}

std::string TSimpleDataMod::GetWorkProcess_Price(const std::string& sCorp_id,
                                                 const std::string& sid) {
    return services::GetWorkProcess_Price(SQLConnection1, sCorp_id, sid);
}

std::string TSimpleDataMod::GetMaterialName(const std::string& id) {
    return services::GetMaterialName(SQLConnection1, id);
}
std::string TSimpleDataMod::GetEmployeeName(const std::string& id) {
    return services::GetEmployeeName(SQLConnection1, id);
}
std::string TSimpleDataMod::GetProjName(const std::string& id) {
    return services::GetProjName(SQLConnection1, id);
}
std::string TSimpleDataMod::GetCustName(const std::string& id) {
    return services::GetCustName(SQLConnection1, id);
}

bool TSimpleDataMod::GetOrgPowerState(const std::string& org, const std::string& item,
                                      const std::string& col) {
    return services::GetOrgPowerState(SQLConnection1, prompts_, org, item, col);
}

bool TSimpleDataMod::GetOrgPowerReportState(const std::string& org, const std::string& item,
                                            const std::string& col) {
    return services::GetOrgPowerReportState(SQLConnection1, prompts_, org, item, col);
}
