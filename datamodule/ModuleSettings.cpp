#include "ModuleSettings.h"

#include <climits>

#include "platform/text/Text.h"

void ModuleSettings::applyDecimals(int decimals, std::string& format) {
    if (decimals < 0 || decimals > 5)
        return;
    format = "#,##0";
    if (decimals > 0)
        format += "." + std::string(std::size_t(decimals), '0');
}

void ModuleSettings::load(const std::function<std::string(const std::string&)>& loadParam) {
    auto i = [&](const char* id) {
        int64_t v = text::toIntDef(loadParam(id), 0);
        return (v < INT_MIN || v > INT_MAX) ? 0 : int(v);
    };
    auto r = [&](const char* id, double def) { return text::toFloatDef(loadParam(id), def); };
    auto s = [&](const char* id) { return loadParam(id); };

    cost_rule = i("cost_rule");
    cost_dot = i("cost_dot");
    price_dot = i("price_dot");
    in_sumkind = i("in_sumkind");
    sal_sumkind = i("sal_sumkind");
    in_tax = r("in_tax", 0.05);
    Rate_of_Point = r("Rate_of_Point", 1);
    Point_Open = i("Point_Open");
    in_totdot = i("in_totdot");
    sal_totdot = i("sal_totdot");
    account_amtdot = i("account_amtdot");
    in_money_id = s("in_money_id");
    sal_money_id = s("sal_money_id");
    main_stockid = s("main_stockid");
    sal_taxflag = i("sal_taxflag");
    in_taxflag = i("in_taxflag");
    main_departid = s("main_departid");
    in_inquiry_price = i("in_inquiry_price");
    barcode_rule = i("barcode_rule");
    accounts_receivable = s("accounts_receivable");
    unearned_sales_revenue = s("unearned_sales_revenue");
    notes_receivable = s("notes_receivable");
    sales_return = s("sales_return");
    sales_tax_payable = s("sales_tax_payable");
    sales_discounts_and_allowances = s("sales_discounts_and_allowances");
    accounts_payable = s("accounts_payable");
    prepayment_for_purchases = s("prepayment_for_purchases");
    notes_payable = s("notes_payable");
    purchase_returns = s("purchase_returns");
    prepaid_sales_tax = s("prepaid_sales_tax");
    purchase_discounts_and_allowances = s("purchase_discounts_and_allowances");
    cash = s("cash");
    sales_revenue = s("sales_revenue");
    purchases = s("purchases");
    inventories = s("inventories");
    cash_in_banks = s("cash_in_banks");
    bank_loan = s("bank_loan");
    v_name_modify = i("v_name_modify");
    acc_subject_auto = i("acc_subject_auto");
    inventories_type = i("inventories_type");
    Cost_of_sales = s("Cost_of_sales");
    sal_lower_nowqty = i("sal_lower_nowqty");

    applyDecimals(price_dot, PriceFormat);
    applyDecimals(cost_dot, CostFormat);
    applyDecimals(account_amtdot, AccountAmountFormat);
    applyDecimals(sal_totdot, SalesTotalFormat);

    corp_title = s("corp_title");
    corp_addr = s("corp_addr");
    corp_tel = s("corp_tel");
    corp_fax = s("corp_fax");
    corp_email = s("corp_email");
    corp_idno = s("corp_idno");
    account_id_cash = s("account_id_cash");
    MoneyFormat = "#,##0.00";
}
