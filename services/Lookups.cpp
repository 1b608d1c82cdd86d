#include "Lookups.h"

#include "Numbers.h"
#include "platform/db/Query.h"
#include "platform/text/Text.h"

namespace services {

namespace {

std::string nameOf(db::Connection& conn, const char* nameColumn, const char* table,
                   const char* keyColumn, const std::string& code) {
    db::Query q(&conn);
    q.setSql(std::string("SELECT first 1 ") + nameColumn + " FROM " + table + " WHERE " +
             keyColumn + " = :CODE");
    q.setKeyLookup(true);
    q.setString("CODE", code);
    q.open();
    return q.eof() ? std::string() : q.asString(nameColumn);
}

bool powerState(db::Connection& conn, platform::Prompts* prompts, const char* table,
                const std::string& org, const std::string& item, const std::string& col) {
    db::Query q(&conn);
    q.add("SELECT " + checkedIdentifier(col) + " FROM " + table + " ");
    q.add(" WHERE ORG_ID=:ORG_ID");
    q.add(" AND  ITEM_NO=:ITEM_NO");
    q.setKeyLookup(true);
    q.setString("ORG_ID", org);
    q.setString("ITEM_NO", item);
    q.open();
    int64_t v = q.eof() || q.isNull(col) ? 0 : q.asInteger(col);
    if (v == 1)
        return true;
    if (v != 0 && prompts)
        prompts->info("輸入異常..!");
    return false;
}

} // namespace

std::string GetMaterialName(db::Connection& conn, const std::string& id) {
    return nameOf(conn, "MATERIAL_NAME", "MATERIAL", "MATERIAL_ID", id);
}

std::string GetEmployeeName(db::Connection& conn, const std::string& id) {
    return nameOf(conn, "EMPLOYEE_NAME", "EMPLOYEE", "EMPLOYEE_ID", id);
}

std::string GetProjName(db::Connection& conn, const std::string& id) {
    return nameOf(conn, "PROJ_NAME", "PROJ_ITEM", "PROJ_ID", id);
}

std::string GetCustName(db::Connection& conn, const std::string& id) {
    return nameOf(conn, "CORP_NAME", "CUSTOMER", "CORP_ID", id);
}

bool GetOrgPowerState(db::Connection& conn, platform::Prompts* prompts, const std::string& org,
                      const std::string& item, const std::string& col) {
    return powerState(conn, prompts, "ORG_POWER", org, item, col);
}

bool GetOrgPowerReportState(db::Connection& conn, platform::Prompts* prompts,
                            const std::string& org, const std::string& item,
                            const std::string& col) {
    return powerState(conn, prompts, "ORG_POWER_REPORT", org, item, col);
}

} // namespace services
