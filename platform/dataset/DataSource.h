#pragma once

namespace dataset {

class RecordSet;

// A data source: the record set that views bound to it show. A caller hands
// one to a dialog, which may point it at a record set of its own.
struct DataSource {
    RecordSet* dataSet = nullptr;
};

} // namespace dataset
