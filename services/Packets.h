#pragma once
// Price resolution: each operation fills a one-row record set and returns it
// as a DATAPACKET 2.0 XML text. Every key is bound as a parameter.

#include <string>

#include "platform/db/Connection.h"

namespace services {

std::string GetSalePrice(db::Connection& conn, const std::string& sCorp_id,
                         const std::string& sTempprodid, int iPriceno, const std::string& sDate);
std::string GetInPrice(db::Connection& conn, const std::string& sCorp_id,
                       const std::string& sTempprodid, int iPriceno);
std::string GetCostPrice(db::Connection& conn, const std::string& sTempprodid, int iPriceno);
std::string GetPosPrice(db::Connection& conn, const std::string& sTempprodid,
                        const std::string& sDate);
std::string GetMaterial_Price(db::Connection& conn, const std::string& sCorp_id,
                              const std::string& sid);
std::string GetProtector_Price(db::Connection& conn, const std::string& sCorp_id,
                               const std::string& sid);
std::string GetWorkProcess_Price(db::Connection& conn, const std::string& sCorp_id,
                                 const std::string& sid);

} // namespace services
