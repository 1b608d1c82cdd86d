#pragma once

#include "platform/dataset/RecordSet.h"

namespace testdata {

// A product list whose texts test a workbook round trip: digit strings with
// leading zeros, a line break (CR LF) and a tab inside a name, blanks at both
// ends, "_x000D_" typed as text, quotes and markup characters, Chinese text,
// and prices. The list is open, in memory, without a connection.
dataset::RecordSet exportSample();

} // namespace testdata
