#pragma once
// Name look-ups and permission flags.

#include <string>

#include "platform/Prompts.h"
#include "platform/db/Connection.h"

namespace services {

// The name of a code, or "" when no row matches or the name is null.
std::string GetMaterialName(db::Connection& conn, const std::string& sMaterial_id);
std::string GetEmployeeName(db::Connection& conn, const std::string& sUser_id);
std::string GetProjName(db::Connection& conn, const std::string& sProj_id);
std::string GetCustName(db::Connection& conn, const std::string& sCorp_id);

// Whether the group holds the right (column sCol, a name of letters, digits
// and underscores) on the menu item: 1 grants, 0 or no row denies silently,
// any other value denies with the message "輸入異常..!".
bool GetOrgPowerState(db::Connection& conn, platform::Prompts* prompts, const std::string& sOrg_id,
                      const std::string& sItem_no, const std::string& sCol);
bool GetOrgPowerReportState(db::Connection& conn, platform::Prompts* prompts,
                            const std::string& sOrg_id, const std::string& sItem_no,
                            const std::string& sCol);

} // namespace services
