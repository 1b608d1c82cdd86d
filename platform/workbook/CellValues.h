#pragma once
// Cell values as the readers of every format turn them into text: numbers in
// the general form, dates as "yyyy/mm/dd" (with " hh:nn:ss" when they carry a
// time), cell addresses, and the escapes of Office Open XML text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace workbook::detail {

// "B12" (also "$B$12") into 0-based row and column; false when it is not an
// address or lies outside the largest sheet.
bool parseCellRef(std::string_view ref, std::uint32_t& row, std::uint32_t& col);

// A number as written in a file ("12.5", "-1E-3"); nothing when it is not one.
std::optional<double> parseNumber(std::string_view s);

// What a number format shows: a number, a date (with or without a time) or a
// time of day alone.
enum class NumberKind { Number, Date, Time };
NumberKind builtinFormatKind(int id);
NumberKind formatCodeKind(std::string_view code);

// A date serial number as text; date1904 selects the 1904 date system.
// Time kinds give "hh:nn:ss" for serials below one day. A serial outside the
// range of dates gives the number's general form.
std::string serialText(double serial, NumberKind kind, bool date1904);

// An ISO 8601 date or date and time ("2024-01-02", "2024-01-02T10:30:00.000")
// as text; nothing when it is not one.
std::optional<std::string> isoDateText(std::string_view iso);

// Office Open XML text with its "_xHHHH_" escapes decoded ("_x000D_" is a
// carriage return, "_x005F_" an underscore).
std::string decodeOoxmlEscapes(std::string_view s);
// The reverse for text that would read as such an escape: its underscore is
// written "_x005F_", so that "_x000D_" typed by a user comes back as typed.
std::string escapeOoxmlLookalikes(std::string_view s);

// Appends code point cp as UTF-8.
void appendUtf8(std::string& out, char32_t cp);

} // namespace workbook::detail
