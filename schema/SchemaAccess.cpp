#include "SchemaAccess.h"

#include <algorithm>

#include "Probes.h"
#include "platform/text/Text.h"

namespace schema {

bool LiveSchema::tableExists(const std::string& table) {
    return searchTable(q1_, table);
}

bool LiveSchema::indexExists(const std::string& index) {
    return searchIndex(q1_, index);
}

bool LiveSchema::triggerExists(const std::string& table, const std::string& trigger) {
    return searchTrigger(q1_, table, trigger);
}

bool LiveSchema::columnExists(const std::string& table, const std::string& column) {
    return searchColumn(q1_, table, column);
}

std::vector<std::string> LiveSchema::relationsWith(const std::string& column) {
    q2_.close();
    q2_.clear();
    q2_.add("SELECT RDB$RELATION_NAME FROM RDB$RELATION_FIELDS ");
    q2_.add(" WHERE RDB$FIELD_NAME = :FIELD_NAME ");
    // In name order, so that a plan lists them as the upgrade then meets them.
    q2_.add(" ORDER BY RDB$RELATION_NAME");
    q2_.setKeyLookup(true);
    q2_.setString("FIELD_NAME", text::upper(column));
    std::vector<std::string> out;
    for (q2_.open(); !q2_.eof(); q2_.next())
        out.push_back(text::trim(q2_.asString("RDB$RELATION_NAME")));
    q2_.close();
    return out;
}

int LiveSchema::prodScaleLength() {
    q2_.close();
    q2_.clear();
    q2_.add("SELECT FIRST 1 PROD_SCALE FROM PRODUCT ");
    q2_.open(); // the field's size is known whether or not a row came back
    int size = q2_.fields().empty() ? 0 : q2_.fields()[0].size;
    q2_.close();
    return size;
}

void LiveSchema::load(db::Query& q, const Statement& s) {
    q.close();
    q.clear();
    q.setParamCheck(!s.psql);
    q.setSql(s.sql);
    for (const auto& [name, value] : s.params)
        q.setValue(name, value);
}

bool LiveSchema::rowExists(const Statement& check) {
    load(q1_, check);
    q1_.setKeyLookup(true);
    q1_.open();
    bool any = !q1_.eof();
    q1_.close();
    return any;
}

void LiveSchema::run(const Statement& change) {
    load(q1_, change);
    q1_.exec();
    q1_.setParamCheck(true);
}

bool PlanSchema::tableExists(const std::string& table) {
    return tables_.count(text::upper(table)) || db_.tableExists(table);
}

bool PlanSchema::indexExists(const std::string& index) {
    return indices_.count(text::upper(index)) || db_.indexExists(index);
}

bool PlanSchema::triggerExists(const std::string& table, const std::string& trigger) {
    return triggers_.count({text::upper(table), text::upper(trigger)}) ||
           db_.triggerExists(table, trigger);
}

bool PlanSchema::columnExists(const std::string& table, const std::string& column) {
    std::string t = text::upper(table), c = text::upper(column);
    if (columns_.count({t, c}))
        return true;
    auto it = tables_.find(t);
    if (it != tables_.end())
        return std::find(it->second.begin(), it->second.end(), c) != it->second.end();
    return db_.columnExists(table, column);
}

std::vector<std::string> PlanSchema::relationsWith(const std::string& column) {
    std::vector<std::string> out = db_.relationsWith(column);
    std::string c = text::upper(column);
    for (const auto& [t, cols] : tables_)
        if (std::find(cols.begin(), cols.end(), c) != cols.end())
            out.push_back(t);
    for (const auto& [t, added] : columns_)
        if (added == c)
            out.push_back(t);
    // In name order, as the database lists them.
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

int PlanSchema::prodScaleLength() {
    return db_.prodScaleLength();
}

bool PlanSchema::rowExists(const Statement& check) {
    return db_.rowExists(check);
}

void PlanSchema::run(const Statement& change) {
    std::string object = text::upper(change.object);
    switch (change.effect) {
    case Statement::Effect::CreateTable: {
        std::vector<std::string> cols;
        for (const auto& c : catalogueTable(change.object).columns)
            cols.push_back(c.name);
        tables_[object] = std::move(cols);
        break;
    }
    case Statement::Effect::CreateIndex:
        indices_.insert(object);
        break;
    case Statement::Effect::AddColumn:
        // On a missing table the addition fails (and the adder goes on).
        if (tableExists(change.object))
            columns_.insert({object, text::upper(change.column)});
        break;
    case Statement::Effect::CreateTrigger:
        triggers_.insert({object, text::upper(change.column)});
        break;
    case Statement::Effect::None:
        break;
    }
}

} // namespace schema
