#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace db {

// A statement text with its ":NAME" parameters replaced by "?" markers.
struct ParsedSql {
    std::string sql;                // text with "?" in place of each parameter
    std::vector<std::string> names; // parameter name per marker, in text order
};

// Finds ":NAME" parameters outside string literals, quoted identifiers and
// comments. A name may occur more than once; each occurrence is a marker. In
// an EXECUTE BLOCK only the input parameter list holds parameters: ":NAME"
// in its body is one of the block's variables.
ParsedSql parseParams(std::string_view sql);

} // namespace db
