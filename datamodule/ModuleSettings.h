#pragma once

#include <functional>
#include <string>

// The suite's settings, loaded from the parameter table on every connect.
// Before the first load numbers are 0 and texts and formats are empty.
struct ModuleSettings {
    int cost_rule = 0, cost_dot = 0, price_dot = 0, in_sumkind = 0, sal_sumkind = 0;
    double in_tax = 0, Rate_of_Point = 0;
    int Point_Open = 0, in_totdot = 0, sal_totdot = 0, account_amtdot = 0;
    std::string in_money_id, sal_money_id, main_stockid;
    int sal_taxflag = 0, in_taxflag = 0;
    std::string main_departid;
    int in_inquiry_price = 0, barcode_rule = 0;
    std::string accounts_receivable, unearned_sales_revenue, notes_receivable, sales_return,
        sales_tax_payable, sales_discounts_and_allowances, accounts_payable,
        prepayment_for_purchases, notes_payable, purchase_returns, prepaid_sales_tax,
        purchase_discounts_and_allowances, cash, sales_revenue, purchases, inventories,
        cash_in_banks, bank_loan;
    int v_name_modify = 0, acc_subject_auto = 0, inventories_type = 0;
    std::string Cost_of_sales;
    int sal_lower_nowqty = 0;
    std::string corp_title, corp_addr, corp_tel, corp_fax, corp_email, corp_idno, account_id_cash;

    std::string PriceFormat, CostFormat, AccountAmountFormat, SalesTotalFormat, MoneyFormat;

    // Reads every parameter through loadParam (one call each, in the suite's
    // order) and derives the formats. A failing read ends the load with its
    // error; the members read before it keep their new values.
    void load(const std::function<std::string(const std::string&)>& loadParam);

    // "#,##0" with 0 to 5 decimals; any other count leaves format unchanged.
    static void applyDecimals(int decimals, std::string& format);
};
