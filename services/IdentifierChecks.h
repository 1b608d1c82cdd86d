#pragma once
// Checks of the identifiers business records carry. Pure functions.

#include <string_view>

namespace services {

// The eight-digit business number with its weighted digit-sum check.
bool CheckBANO(std::string_view BANO);
// The ten-character identity card number (letter and nine digits); empty
// text is accepted as "not given".
bool CheckRocID(std::string_view ID);
// Two upper-case letters and eight digits; empty text is accepted.
bool InvoiceNumCheck(std::string_view s);

} // namespace services
