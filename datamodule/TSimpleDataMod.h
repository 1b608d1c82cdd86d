#pragma once

#include <string>
#include <vector>

#include "ModuleSettings.h"
#include "SharedDataSets.h"
#include "platform/Prompts.h"
#include "platform/dataset/RecordSet.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "schema/Upgrade.h"

// The suite's shared data module: the one database connection, the module's
// statement objects and record sets, the settings loaded on connect, and the
// services the suite's programs call.
//
// Creating it runs DataModuleCreate (language tables, connection parameters);
// it never connects. The connection opens on the first statement that needs
// it and then runs SQLConnection1AfterConnect.
class TSimpleDataMod {
  public:
    // appFolder: the application folder with its trailing "/". args: the
    // program's command-line arguments after the program name. prompts: where
    // the module's own messages go (not owned).
    TSimpleDataMod(std::string appFolder, std::vector<std::string> args,
                   platform::Prompts* prompts);
    TSimpleDataMod(const TSimpleDataMod&) = delete;
    TSimpleDataMod& operator=(const TSimpleDataMod&) = delete;

    // Declared first so that it outlives every statement below.
    db::Connection SQLConnection1;
    db::Query SQLQuery1{&SQLConnection1};
    db::Query SQLQuery2{&SQLConnection1};
    db::Query SQLQuery3{&SQLConnection1};
    // Statements without a fixed text, kept for the suite's forms.
    db::Query SQLQueryD{&SQLConnection1};
    db::Query SQL_Master{&SQLConnection1};
    db::Query SQL_Sub{&SQLConnection1};
    db::Query SQL_ID{&SQLConnection1};
    db::Query SQL_Lan{&SQLConnection1};
    db::Query SQL_Point{&SQLConnection1};
    // The provider chain: the record set runs its command text on the
    // connection through a statement of its own.
    dataset::RecordSet ClientDataSet1;
    dataset::RecordSet CDS_LANG_SRC;
    dataset::RecordSet CDS_LANG;

    // The shared record sets (CDS_Supp, CDS_Cust, … CDS_CustWorkQuote), closed.
    shared::SharedDataSets dataSets{&SQLConnection1};

    ModuleSettings settings;

    // Prepares the language tables and the connection parameters. A file that
    // exists but cannot be read (or is not a language table) is reported
    // through prompts() and recorded in startupErrors(); the other steps run.
    void DataModuleCreate();
    const std::vector<std::string>& startupErrors() const { return startupErrors_; }
    // Runs ASQL and copies its fields and rows into ACDS.
    void CDS_Query(dataset::RecordSet& ACDS, const std::string& ASQL);
    // PARAM_VALUE of the PARAM_DEFINE row with that PARAM_ID, or "".
    std::string LoadParam(const std::string& sParam_id);
    // The local host's last IPv4 address in dotted form, or "".
    static std::string LocalIP();
    void SQLConnection1AfterConnect();
    // The record-owner identifier: the corp_email setting.
    const std::string& wuid() const { return settings.corp_email; }

    // Business services for the suite's programs.
    static bool CheckBANO(const std::string& BANO);
    static bool CheckRocID(const std::string& ID);
    static bool InvoiceNumCheck(const std::string& s);
    // Rounded to the price_dot setting.
    double RoundPrice(double _fv) const;
    static double RoundNum(double _fv, int _iDot);
    std::string GetMaxBillID(const std::string& sTable, const std::string& sDate,
                             const std::string& sFlag);
    static void SplitParams(const std::string& Params, std::vector<std::string>* Dest);
    std::string GetSalePrice(const std::string& sCorp_id, const std::string& sTempprodid,
                             int iPriceno, const std::string& sDate);
    std::string GetInPrice(const std::string& sCorp_id, const std::string& sTempprodid,
                           int iPriceno);
    std::string GetCostPrice(const std::string& sTempprodid, int iPriceno);
    std::string GetPosPrice(const std::string& sTempprodid, const std::string& sDate);
    std::string GetMaterial_Price(const std::string& sCorp_id, const std::string& sid);
    std::string GetProtector_Price(const std::string& sCorp_id, const std::string& sid);
    std::string GetWorkProcess_Price(const std::string& sCorp_id, const std::string& sid);
    std::string GetMaterialName(const std::string& sMaterial_id);
    std::string GetEmployeeName(const std::string& sUser_id);
    std::string GetProjName(const std::string& sProj_id);
    std::string GetCustName(const std::string& sCorp_id);
    bool GetOrgPowerState(const std::string& sOrg_id, const std::string& sItem_no,
                          const std::string& sCol);
    bool GetOrgPowerReportState(const std::string& sOrg_id, const std::string& sItem_no,
                                const std::string& sCol);

    // Schema maintenance, run by the upgrade and open to the suite's programs.
    // The probes work on SQLQuery1 (TableIsEmpty on SQLQuery3): whatever the
    // statement held before is gone. Names are compared in upper case.
    bool Search_Table(const std::string& sTable);
    bool Search_Index(const std::string& sIndexName);
    bool Search_Trigger(const std::string& sTable, const std::string& sTrigger);
    // Throws DatabaseError when the table does not exist.
    bool TableIsEmpty(const std::string& sTable);
    // Add the column when the table lacks it; false when that failed (the
    // error is recorded in upgradeReport(), not raised).
    bool Add_StrField(const std::string& sTable, const std::string& sField,
                      const std::string& sLength);
    bool Add_DoubleField(const std::string& sTable, const std::string& sField);
    // The catalogue's steps 1 to 38 and 39 to 57, and the triggers. Each
    // statement is committed on its own; the first one the server rejects
    // ends the method with its error.
    void tablecreate();
    void tablecreate2();
    void runtrigger();
    // What the upgrades of this module have done so far.
    const schema::UpgradeReport& upgradeReport() const { return upgradeReport_; }
    // Told the upgrade's progress (optional); answering false stops it
    // between two steps.
    void setUpgradeProgress(schema::Upgrader::Progress progress) {
        upgradeProgress_ = std::move(progress);
    }

    // On when the first argument is "u" in any case.
    bool upgradeMode() const { return upgradeMode_; }
    const std::string& appFolder() const { return appFolder_; }
    platform::Prompts* prompts() const { return prompts_; }

    // The connection parameters used when there is no "dbconfig.txt".
    static std::vector<std::string> defaultParams(const std::string& appFolder);

  private:
    // The schema upgrade of upgrade mode; runs before the settings load.
    void Upgrade();
    // The upgrade's work on this module's connection and statements.
    template <typename F> auto withUpgrader(F&& f);

    schema::UpgradeReport upgradeReport_;
    schema::Upgrader::Progress upgradeProgress_;

    std::string appFolder_;
    std::vector<std::string> startupErrors_;
    bool upgradeMode_;
    platform::Prompts* prompts_;
};
