#include "ZipWriter.h"

#include "platform/workbook/ZipWriter.h"

namespace testdata {

void writeXlsx(const std::string& path, const std::string& sheetData,
               const std::string& sharedStrings, const std::string& sheetTarget,
               const std::string& sheetName) {
    const std::string ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    std::vector<std::pair<std::string, std::string>> e = {
        {"[Content_Types].xml",
         "<?xml version=\"1.0\"?><Types "
         "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Override "
         "PartName=\"/xl/workbook.xml\" "
         "ContentType=\"application/"
         "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
         "</Types>"},
        {"_rels/.rels",
         "<?xml version=\"1.0\"?><Relationships "
         "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
         "Id=\"rId1\" Type=\"" +
             rel + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml", "<?xml version=\"1.0\"?><workbook xmlns=\"" + ns + "\" xmlns:r=\"" +
                                rel + "\"><sheets><sheet name=\"" + sheetName +
                                "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<?xml version=\"1.0\"?><Relationships "
         "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
         "Id=\"rId1\" Type=\"" +
             rel + "/worksheet\" Target=\"" + sheetTarget + "\"/>" +
             (sharedStrings.empty() ? ""
                                    : "<Relationship Id=\"rId2\" Type=\"" + rel +
                                          "/sharedStrings\" Target=\"sharedStrings.xml\"/>") +
             "</Relationships>"},
        {"xl/worksheets/sheet1.xml", "<?xml version=\"1.0\"?><worksheet xmlns=\"" + ns +
                                         "\"><sheetData>" + sheetData + "</sheetData></worksheet>"},
    };
    if (!sharedStrings.empty())
        e.push_back({"xl/sharedStrings.xml", "<?xml version=\"1.0\"?><sst xmlns=\"" + ns + "\">" +
                                                 sharedStrings + "</sst>"});
    workbook::writeZip(path, e);
}

} // namespace testdata
