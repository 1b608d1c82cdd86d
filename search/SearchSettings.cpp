#include "SearchSettings.h"

#include <algorithm>

#define SI_CONVERT_ICU // as the packaged library is built
#include <SimpleIni.h>
#include <cmath>

#include "platform/text/Text.h"

namespace search {

namespace {

// Halves to even, as the default geometry is rounded.
int roundEven(double v) {
    return int(std::nearbyint(v));
}

// Reads the file into ini when it exists (a missing file is an empty one).
void open(CSimpleIniA& ini, const std::string& file) {
    ini.SetUnicode(true);
    if (text::fileExists(file))
        ini.LoadFile(file.c_str());
}

} // namespace

WindowSettings loadWindowSettings(const std::string& file, const std::string& table,
                                  int screenWidth, int screenHeight) {
    CSimpleIniA ini;
    open(ini, file);
    const char* s = table.c_str();
    WindowSettings w;
    w.width = int(ini.GetLongValue(s, "Width", roundEven(0.9 * screenWidth)));
    w.height = int(ini.GetLongValue(s, "Height", roundEven(0.9 * screenHeight)));
    w.top = int(ini.GetLongValue(s, "Top", 0));
    w.left = int(ini.GetLongValue(s, "Left", 0));
    w.combo = int(ini.GetLongValue(s, "Combo", 0));
    w.radio = int(ini.GetLongValue(s, "Radio", 0));
    w.edit = ini.GetValue(s, "Edit", "");
    return w;
}

void saveWindowSettings(const std::string& file, const std::string& table,
                        const WindowSettings& w) {
    CSimpleIniA ini;
    open(ini, file);
    const char* s = table.c_str();
    ini.SetLongValue(s, "Width", w.width);
    ini.SetLongValue(s, "Height", w.height);
    ini.SetLongValue(s, "top", w.top);
    ini.SetLongValue(s, "left", w.left);
    ini.SetLongValue(s, "Combo", w.combo);
    ini.SetLongValue(s, "Radio", w.radio);
    ini.SetValue(s, "Edit", w.edit.c_str());
    ini.SaveFile(file.c_str());
}

std::vector<GridColumn> loadGridLayout(const std::string& file, std::size_t gridColumns) {
    std::vector<GridColumn> out;
    if (!text::fileExists(file))
        return out;
    CSimpleIniA ini;
    open(ini, file);
    // The file says how many columns it describes; a grid has no more than its own.
    long count = ini.GetLongValue("Columns", "Count", 0);
    std::size_t n = count > 0 ? std::min<std::size_t>(std::size_t(count), gridColumns) : 0;
    for (std::size_t i = 0; i < n; ++i) {
        std::string sec = "Column" + std::to_string(i);
        GridColumn c;
        c.field = ini.GetValue(sec.c_str(), "Field", "");
        c.width = int(ini.GetLongValue(sec.c_str(), "Width", 0));
        c.visible = ini.GetBoolValue(sec.c_str(), "Visible", true);
        if (!c.field.empty())
            out.push_back(c);
    }
    return out;
}

void saveGridLayout(const std::string& file, const std::vector<GridColumn>& columns) {
    CSimpleIniA ini;
    ini.SetUnicode(true);
    ini.SetLongValue("Columns", "Count", long(columns.size()));
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::string sec = "Column" + std::to_string(i);
        ini.SetValue(sec.c_str(), "Field", columns[i].field.c_str());
        ini.SetLongValue(sec.c_str(), "Width", columns[i].width);
        ini.SetBoolValue(sec.c_str(), "Visible", columns[i].visible);
    }
    ini.SaveFile(file.c_str());
}

} // namespace search
