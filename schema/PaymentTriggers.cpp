#include "PaymentTriggers.h"

#include <string>

namespace schema {

namespace {

// One bill table's update for a line: SURPLUS and PAYED_AMT each move by the
// line's amount, with the signs given.
std::string update(const char* row, const char* mark, const char* table, const char* surplus,
                   const char* payed) {
    std::string amount = std::string("COALESCE(") + row + ".PATCH_AMT, 0)";
    return std::string("  IF (") + row + ".FLAG_MARK = '" + mark + "') THEN\n    UPDATE " + table +
           " SET SURPLUS = COALESCE(SURPLUS, 0) " + surplus + " " + amount +
           ",\n        PAYED_AMT = COALESCE(PAYED_AMT, 0) + " + amount + payed +
           "\n    WHERE MASTERBILLID = " + row + ".TRAN_BILLID;\n";
}

Statement redefine(const char* trigger, const char* header, const char* row, bool deleting) {
    // Deleting a line gives back what inserting it took.
    const char* surplus = deleting ? "+" : "-";
    const char* paidBills = deleting ? " * -1" : "";    // purchases and purchase-cost bills
    const char* returnedBills = deleting ? "" : " * -1"; // returns and discounts
    std::string sql = std::string("ALTER TRIGGER ") + trigger + " " + header + "\nAS\nBEGIN\n" +
                      update(row, "P", "PURCHASE_MASTER", surplus, paidBills) +
                      update(row, "C", "PURCHASECOST_MASTER", surplus, paidBills) +
                      update(row, "N", "PURCHASEBK_MASTER", surplus, returnedBills) +
                      update(row, "D", "PURCHASEDIS_MASTER", surplus, returnedBills) + "END";
    Statement s{sql, {}, true, Statement::Effect::None, trigger, {}};
    return s;
}

} // namespace

std::vector<Statement> paymentLineTriggerRedefinitions() {
    return {redefine("PAY_SUB_TRGDEL1", "ACTIVE BEFORE DELETE POSITION 0", "OLD", true),
            redefine("PAY_SUB_TRGINS1", "ACTIVE AFTER INSERT POSITION 0", "NEW", false)};
}

} // namespace schema
