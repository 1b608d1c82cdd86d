#include "Numbers.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/db/Query.h"
#include "platform/db/Transaction.h"
#include "platform/text/Text.h"

namespace services {

// Rounds on the decimal text of the value, as the formatting of "%.nf" the
// suite was written for does: the sum is written with 15 significant digits
// (the digits a double holds), then rounded half away from zero at the last
// kept digit. Binary formatting would round 2.5 written as 2.4999999999999996
// down. Values too large to have fractional digits keep their magnitude.
double RoundNum(double value, int decimals) {
    if (decimals < 0 || decimals > 4 || !std::isfinite(value))
        return value;
    double v = value + 0.00001;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(v)); // d.dddddddddddddde±XX
    std::string digits = std::string(1, buf[0]) + std::string(buf + 2, 14);
    int exponent = std::atoi(buf + 17);
    int keep = exponent + 1 + decimals; // digits before the rounding position
    if (keep >= int(digits.size()))
        return v;
    if (keep < 0)
        return 0;
    bool up = digits[std::size_t(keep)] >= '5';
    digits.resize(std::size_t(keep));
    if (up) {
        int i = keep - 1;
        for (; i >= 0 && digits[std::size_t(i)] == '9'; --i)
            digits[std::size_t(i)] = '0';
        if (i >= 0) {
            ++digits[std::size_t(i)];
        } else {
            digits.insert(digits.begin(), '1');
            ++exponent;
        }
    }
    if (digits.empty())
        return 0;
    std::string text =
        std::string(v < 0 ? "-" : "") + "0." + digits + "e" + std::to_string(exponent + 1);
    return std::strtod(text.c_str(), nullptr);
}

void SplitParams(const std::string& params, std::vector<std::string>* dest) {
    if (!dest)
        return;
    dest->clear();
    std::size_t start = 0, amp;
    while ((amp = params.find('&', start)) != std::string::npos) {
        dest->push_back(params.substr(start, amp - start));
        start = amp + 1;
    }
    dest->push_back(params.substr(start));
}

const std::string& checkedIdentifier(const std::string& name) {
    bool ok = !name.empty();
    for (char c : name)
        ok = ok && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '_');
    if (!ok)
        throw db::DatabaseError("不是有效的名稱: \"" + name + "\"");
    return name;
}

namespace {

// Issues one number in the current transaction; throws on failure.
int64_t nextNumber(db::Connection& conn, db::Query& advance, db::Query& insert,
                   const std::string& day) {
    advance.setString("BILL_DATE", day);
    if (advance.execRowsAffected() > 0)
        return advance.isNull("LAST_ID") ? 1 : advance.asInteger("LAST_ID");
    // A new day: its row starts at 2, the number issued now being 1. A
    // concurrent first call that inserted the row first makes this insert
    // fail on the key; the counter is then advanced instead.
    conn.savepoint("NEWDAY");
    try {
        insert.setString("BILL_DATE", day);
        insert.setInt("LAST_ID", 2);
        insert.setString("CHG_DATE", day);
        insert.exec();
        return 1;
    } catch (const db::DatabaseError& e) {
        if (!e.isDuplicateKey()) // another caller inserted the day's row first
            throw;
        conn.rollbackToSavepoint("NEWDAY");
    }
    advance.exec();
    return advance.isNull("LAST_ID") ? 1 : advance.asInteger("LAST_ID");
}

} // namespace

std::string GetMaxBillID(db::Connection& conn, const std::string& table, const std::string& day,
                         const std::string& prefix) {
    const std::string& t = checkedIdentifier(table);
    db::Query advance(&conn), insert(&conn);
    // One statement reads and advances the counter: the row lock it takes
    // makes a second caller wait and then see the advanced value.
    advance.setSql("UPDATE " + t +
                   " SET LAST_ID = COALESCE(LAST_ID, 1) + 1 WHERE BILL_DATE = :BILL_DATE "
                   "RETURNING OLD.LAST_ID");
    insert.add("INSERT INTO " + t + "(BILL_DATE,LAST_ID,CHG_DATE) ");
    insert.add(" VALUES(:BILL_DATE,:LAST_ID,:CHG_DATE) ");
    int64_t number = 0;
    // A caller that updated the counter and committed while this one waited
    // makes the update fail with a conflict; the attempt is then made again
    // (in a fresh transaction of its own, or as a fresh statement in the
    // caller's transaction, which sees the committed value).
    for (int attempt = 1;; ++attempt) {
        db::Transaction tx(conn);
        try {
            number = nextNumber(conn, advance, insert, day);
            tx.commit();
            break;
        } catch (const db::DatabaseError& e) {
            tx.rollback();
            if (!e.isLockConflict() || attempt >= 1000)
                throw;
        }
    }
    char seq[32];
    std::snprintf(seq, sizeof seq, "%.4lld", static_cast<long long>(number));
    std::string ymd =
        day.size() >= 10 ? day.substr(0, 4) + day.substr(5, 2) + day.substr(8, 2) : day;
    return prefix + ymd + seq;
}

} // namespace services
