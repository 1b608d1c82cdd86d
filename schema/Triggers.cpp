#include "Triggers.h"

#include "Ddl.h"

namespace schema {

namespace {

// The header of a trigger statement. `active` names the state; without it
// the statement names none and the trigger is created active.
std::string header(const std::string& verb, const std::string& name, const std::string& table,
                   bool active, const char* event, int position) {
    std::string h = verb + " TRIGGER " + checkedIdentifier(name);
    if (!table.empty())
        h += " FOR " + checkedIdentifier(table);
    return h + (active ? " ACTIVE " : " ") + event + " POSITION " + std::to_string(position) +
           "\nAS\n";
}

TriggerDef create(const std::string& name, const std::string& table, bool active,
                  const char* event, int position, const std::string& body,
                  const std::string& declarations = {}) {
    return {name, table, false,
            header("CREATE", name, table, active, event, position) + declarations + "BEGIN\n" +
                body + "END"};
}

// A quantity of a line: 0 when NULL.
std::string qty(const std::string& row, const std::string& column) {
    return "COALESCE(" + row + "." + column + ", 0)";
}

// Moves the stock of the line's product and location by the amount, which is
// added (sign "+") or taken away ("-"). A relative change, so that documents
// touching one stock row at the same time wait for each other rather than
// overwrite; a NULL figure counts as 0. No stock row is created.
std::string moveStock(const std::string& row, const char* sign, const std::string& amount,
                      const char* indent = "  ") {
    return std::string(indent) + "UPDATE STORE_QTY SET NOW_QTY = COALESCE(NOW_QTY, 0) " + sign +
           " " + amount + "\n" + indent + "WHERE PROD_ID = " + row + ".PROD_ID AND STOCK_ID = " +
           row + ".STOCK_ID;\n";
}

// Only when the line's flag is exactly "Y".
std::string whenFlagged(const std::string& row, const std::string& statement) {
    return "  IF (" + row + ".STK_QTY_YN = 'Y') THEN\n  BEGIN\n" + statement + "  END\n";
}

// The three triggers of a line table whose lines move stock by one quantity
// column: `sign` is what an inserted line does to the stock ("+" for lines
// whose products come out of a bill, "-" for those that go in).
void stockLineTriggers(std::vector<TriggerDef>& out, const std::string& table,
                       const std::string& prefix, const std::string& column, const char* sign) {
    const char* back = *sign == '+' ? "-" : "+";
    out.push_back(create(prefix + "1", table, false, "AFTER INSERT", 1,
                         moveStock("NEW", sign, qty("NEW", column))));
    out.push_back(create(prefix + "2", table, false, "BEFORE DELETE", 1,
                         moveStock("OLD", back, qty("OLD", column))));
    out.push_back(create(prefix + "3", table, false, "AFTER UPDATE", 1,
                         moveStock("OLD", back, qty("OLD", column)) +
                             moveStock("NEW", sign, qty("NEW", column))));
}

// The point-of-sale lines: stock for lines whose flag is "Y", and the
// components of set products.
void saleLineTriggers(std::vector<TriggerDef>& out) {
    auto taken = [](const std::string& row, const char* sign) {
        return whenFlagged(row, moveStock(row, sign, qty(row, "QTY"), "    "));
    };
    out.push_back(create("POS_DET_TRG11", "POS_DETAIL", true, "AFTER INSERT", 0, taken("NEW", "-")));
    out.push_back(create("POS_DET_TRG12", "POS_DETAIL", true, "BEFORE DELETE", 0, taken("OLD", "+")));
    out.push_back(create("POS_DET_TRG13", "POS_DETAIL", true, "AFTER UPDATE", 0,
                         taken("OLD", "+") + taken("NEW", "-")));
    // A set product sold: one component row per bill-of-materials row of the
    // product, from this line alone (a bill that holds the set on two lines
    // gets each line's components once). A component missing from PRODUCT
    // still gives a row. The name is cut to the width of D_PROD_NAME, so that
    // a long component name cannot keep the sale from being saved.
    out.push_back(create(
        "POS_DET_TRG14", "POS_DETAIL", true, "AFTER INSERT", 0,
        "  IF (NEW.MS_YN = 'Y') THEN\n"
        "    INSERT INTO POS_DETAIL_DET (MASTERBILLID, SAL_DATE, SAL_NO, M_PROD_ID, M_SAL_QTY,\n"
        "        D_PROD_ID, D_PROD_NAME, D_QTY, D_UNIT_ID, D_COST, T_COST, STOCK_ID, T_SALQTY,\n"
        "        STK_QTY_YN, FLAG)\n"
        "    SELECT NEW.MASTERBILLID, NEW.SAL_DATE, NEW.SAL_NO, NEW.PROD_ID, NEW.QTY,\n"
        "        B.DE_PROD_ID, SUBSTRING(B.DE_PROD_NAME FROM 1 FOR 50), B.DE_QTY, B.DE_UNIT_ID,\n"
        "        B.DE_COST,\n"
        "        COALESCE(NEW.QTY, 0) * COALESCE(B.DE_QTY, 0) * COALESCE(B.DE_COST, 0),\n"
        "        NEW.STOCK_ID, COALESCE(NEW.QTY, 0) * COALESCE(B.DE_QTY, 0), P.STK_QTY_YN,\n"
        "        NEW.SAL_CODE\n"
        "    FROM PROD_BOM B LEFT JOIN PRODUCT P ON P.PROD_ID = B.DE_PROD_ID\n"
        "    WHERE B.PROD_ID = NEW.PROD_ID;\n"));
    // A line deleted: the component rows of that line go, and only those.
    // Component rows carry no line key; those of the bill with the line's
    // product, quantity, location and sale code belong to it or to an
    // identical line, so one row per component is removed.
    out.push_back(create(
        "POS_DET_TRG15", "POS_DETAIL", true, "BEFORE DELETE", 0,
        "  FOR SELECT DISTINCT D_PROD_ID FROM POS_DETAIL_DET\n"
        "      WHERE MASTERBILLID = OLD.MASTERBILLID AND M_PROD_ID = OLD.PROD_ID\n"
        "        AND M_SAL_QTY IS NOT DISTINCT FROM OLD.QTY\n"
        "        AND STOCK_ID IS NOT DISTINCT FROM OLD.STOCK_ID\n"
        "        AND FLAG IS NOT DISTINCT FROM OLD.SAL_CODE\n"
        "      INTO :COMPONENT DO\n"
        "    DELETE FROM POS_DETAIL_DET\n"
        "      WHERE MASTERBILLID = OLD.MASTERBILLID AND M_PROD_ID = OLD.PROD_ID\n"
        "        AND M_SAL_QTY IS NOT DISTINCT FROM OLD.QTY\n"
        "        AND STOCK_ID IS NOT DISTINCT FROM OLD.STOCK_ID\n"
        "        AND FLAG IS NOT DISTINCT FROM OLD.SAL_CODE\n"
        "        AND D_PROD_ID IS NOT DISTINCT FROM :COMPONENT\n"
        "      ROWS 1;\n",
        "DECLARE VARIABLE COMPONENT VARCHAR(20);\n"));
}

// The bank balance of the row's account: deposits (type "0") add the amount,
// withdrawals (type "1") take the amount and its cost away; `reverse` undoes
// that (a row deleted, or the old row of an update). Other types change
// nothing.
std::string bankEffect(const std::string& row, bool reverse) {
    const char* deposit = reverse ? "-" : "+";
    const char* withdrawal = reverse ? "+" : "-";
    std::string account = "  WHERE ACNT_ID = " + row + ".ACNT_ID;\n";
    return "  IF (" + row + ".CASH_ETYPE = '0') THEN\n" +
           "    UPDATE BANK_ACCOUNT SET NOW_AMT = COALESCE(NOW_AMT, 0) " + deposit + " " +
           qty(row, "CURR_AMT") + "\n  " + account + "  IF (" + row +
           ".CASH_ETYPE = '1') THEN\n" + "    UPDATE BANK_ACCOUNT SET NOW_AMT = COALESCE(NOW_AMT, 0) " +
           withdrawal + " (" + qty(row, "CURR_AMT") + " + " + qty(row, "CASH_COST") + ")\n  " +
           account;
}

TriggerDef bankTrigger(const std::string& name, const char* event, const std::string& body) {
    return {name, "", true, header("ALTER", name, "", true, event, 0) + "BEGIN\n" + body + "END"};
}

// An invoice link names a document (its kind in FLAG_MARK): the document's
// master takes the link's invoice fields, or empty texts when the link goes.
TriggerDef invoiceLink(const std::string& name, const std::string& table, bool inserting,
                       const char* const masters[3]) {
    const char* marks[3] = {"P", "N", "D"};
    std::string row = inserting ? "NEW" : "OLD";
    std::string body;
    for (int i = 0; i < 3; ++i) {
        std::string values =
            inserting ? "INVOICE_CLASS = NEW.INVOICE_CLASS, INVOICE_NUM = NEW.INVOICE_NUM,\n"
                        "        INVOICE_DATE = NEW.INVOICE_DATE"
                      : "INVOICE_CLASS = '', INVOICE_NUM = '', INVOICE_DATE = ''";
        body += "  IF (" + row + ".FLAG_MARK = '" + marks[i] + "') THEN\n    UPDATE " + masters[i] +
                " SET " + values + "\n    WHERE MASTERBILLID = " + row + ".TRAN_BILLID;\n";
    }
    return create(name, table, true, inserting ? "AFTER INSERT" : "BEFORE DELETE", 0, body);
}

std::vector<TriggerDef> build() {
    std::vector<TriggerDef> t;
    stockLineTriggers(t, "ASMPROD_TARSUB", "ASMPROD_TARSUBTRIGGER", "QTY", "+");
    stockLineTriggers(t, "ASMPROD_SRCSUB", "ASMPROD_SRCSUBTRIGGER", "RU_QTY", "-");
    stockLineTriggers(t, "OPENPROD_TARSUB", "OPENPROD_TARSUBTRIGGER", "QTY", "+");
    stockLineTriggers(t, "OPENPROD_SRCSUB", "OPENPROD_SRCSUBTRIGGER", "RU_QTY", "-");
    saleLineTriggers(t);
    t.push_back(bankTrigger("TRG_BANK_IO_INS1", "AFTER INSERT", bankEffect("NEW", false)));
    t.push_back(bankTrigger("TRG_BANK_IO_DEL1", "BEFORE DELETE", bankEffect("OLD", true)));
    t.push_back(bankTrigger("TRG_BANK_IO_UPD1", "AFTER UPDATE",
                            bankEffect("OLD", true) + bankEffect("NEW", false)));
    static const char* const purchases[3] = {"PURCHASE_MASTER", "PURCHASEBK_MASTER",
                                             "PURCHASEDIS_MASTER"};
    static const char* const sales[3] = {"CUSTSALE_MASTER", "CUSTSALEBK_MASTER",
                                         "CUSTSALEDIS_MASTER"};
    t.push_back(invoiceLink("INV_SUB_TRGDEL1", "INVOICE_SUB", false, purchases));
    t.push_back(invoiceLink("INV_SUB_TRGINS1", "INVOICE_SUB", true, purchases));
    t.push_back(invoiceLink("OUTV_SUB_TRGDEL1", "OUTVOICE_SUB", false, sales));
    t.push_back(invoiceLink("OUTV_SUB_TRGINS1", "OUTVOICE_SUB", true, sales));
    // Rework send-out lines take the quantity and the free quantity.
    std::string reworked = "COALESCE(NEW.QTY, 0) + COALESCE(NEW.GIVE_QTY, 0)";
    std::string returned = "COALESCE(OLD.QTY, 0) + COALESCE(OLD.GIVE_QTY, 0)";
    t.push_back(create("REWORK_DET_TRGINS1", "REWORKORDER_DETAIL", true, "AFTER INSERT", 0,
                       whenFlagged("NEW", moveStock("NEW", "-", "(" + reworked + ")", "    "))));
    t.push_back(create("REWORK_DET_TRGDEL1", "REWORKORDER_DETAIL", true, "BEFORE DELETE", 0,
                       whenFlagged("OLD", moveStock("OLD", "+", "(" + returned + ")", "    "))));
    return t;
}

} // namespace

const std::vector<TriggerDef>& storeTriggers() {
    static const std::vector<TriggerDef> triggers = build();
    return triggers;
}

} // namespace schema
