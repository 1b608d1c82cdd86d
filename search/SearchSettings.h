#pragma once
// The search dialog's settings files in the application folder:
// "SearchData.ini" (window geometry, column and match mode per table) and
// "<table>_DBGrid.ini" (the result grid's column layout).

#include <string>
#include <vector>

namespace search {

struct WindowSettings {
    int width = 0, height = 0, top = 0, left = 0;
    int combo = 0; // selected column index, -1 for none
    int radio = 0; // match mode
    std::string edit;
};

// Reads the table's section; missing keys give the defaults: 90 % of the
// screen (rounded, halves to even), top-left corner, first column, exact match.
WindowSettings loadWindowSettings(const std::string& file, const std::string& table,
                                  int screenWidth, int screenHeight);
// Writes every key of the table's section, keeping the other sections.
void saveWindowSettings(const std::string& file, const std::string& table, const WindowSettings& s);

// One result-grid column in visual order.
struct GridColumn {
    std::string field;
    int width = 0;
    bool visible = true;
};
// Missing or unreadable file: no columns (the grid keeps its own layout).
std::vector<GridColumn> loadGridLayout(const std::string& file, std::size_t gridColumns);
void saveGridLayout(const std::string& file, const std::vector<GridColumn>& columns);

} // namespace search
