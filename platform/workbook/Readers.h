#pragma once
// The readers of each workbook format, behind readSheet(). Each reads the
// used range of the named sheet into a grid or throws WorkbookError.

#include <optional>
#include <string>
#include <string_view>

#include "Grid.h"

namespace workbook::detail {

class ZipArchive;

Grid readXlsx(const ZipArchive& zip, const std::string& path, const std::string& sheet,
              const ReadLimits& limits);
// OpenDocument: a package (.ods) or a flat XML document (.fods).
Grid readOds(const ZipArchive& zip, const std::string& path, const std::string& sheet,
             const ReadLimits& limits);
Grid readFlatOds(const std::string& path, const std::string& sheet, const ReadLimits& limits);
Grid readSpreadsheetMl(const std::string& path, const std::string& sheet, const ReadLimits& limits);
Grid readXls(const std::string& path, const std::string& sheet, const ReadLimits& limits);
// The records of an .xls workbook stream, already taken out of its container.
Grid readBiff(std::string stream, const std::string& path, const std::string& sheet,
              const ReadLimits& limits);

// Delimited text, when the bytes are text whose rows hold two or more fields.
std::optional<Grid> readCsvIfDelimited(std::string_view bytes, const ReadLimits& limits);

// Sheet names compare as a spreadsheet program compares them: without regard
// to case.
bool sameSheetName(std::string_view a, std::string_view b);

// "找不到工作表 "<sheet>"：<path>"
std::string noSheetMessage(const std::string& path, const std::string& sheet);

// A whole plain file, at most limit bytes.
std::string readWholeFile(const std::string& path, std::uint64_t limit);
// Streams a plain file through an XML reader, at most limit bytes.
class XmlReader;
void feedFile(const std::string& path, XmlReader& xml, std::uint64_t limit);

} // namespace workbook::detail
