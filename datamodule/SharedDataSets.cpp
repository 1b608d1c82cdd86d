#include "SharedDataSets.h"

#include <sstream>
#include <stdexcept>

#include "platform/text/Text.h"

namespace shared {

std::vector<dataset::FieldDef> parseFields(const std::string& list) {
    std::vector<dataset::FieldDef> out;
    std::stringstream entries(list);
    std::string entry;
    while (std::getline(entries, entry, ';')) {
        entry = text::trim(entry);
        if (entry.empty())
            continue;
        dataset::FieldDef f;
        std::string label;
        if (auto q = entry.find('"'); q != std::string::npos) {
            label = entry.substr(q + 1, entry.rfind('"') - q - 1);
            entry = entry.substr(0, q);
        }
        for (char& c : entry)
            if (c == ',')
                c = ' ';
        std::stringstream words(entry);
        std::string kind, word;
        words >> f.name >> kind;
        if (kind.rfind("text(", 0) == 0) {
            f.kind = dataset::FieldKind::WideText;
            f.size = int(text::toIntDef(kind.substr(5, kind.size() - 6), 0));
        } else if (kind == "integer") {
            f.kind = dataset::FieldKind::Integer;
        } else if (kind == "double") {
            f.kind = dataset::FieldKind::Float;
        } else {
            throw std::logic_error("unknown field kind in " + entry);
        }
        while (words >> word) {
            if (word == "required")
                f.required = true;
            else if (word == "key")
                f.key = true;
            else if (word == "calculated")
                f.calculated = true;
            else if (word == "width" && words >> word)
                f.displayWidth = int(text::toIntDef(word, 0));
        }
        f.displayLabel = label;
        out.push_back(std::move(f));
    }
    return out;
}

SharedDataSets::SharedDataSets(db::Connection* conn) {
    for (const ChainDefinition& d : chainDefinitions()) {
        Chain& c = chains_[d.name];
        c.name = d.name;
        c.query = d.query;
        c.provider = d.provider;
        std::vector<std::string> lines(d.commandText.begin(), d.commandText.end());
        c.dataSet.setFields(parseFields(d.fields));
        c.dataSet.setCommandText(text::joinLines(lines));
        c.dataSet.setConnection(conn);
        order_.push_back(d.name);
    }
}

Chain& SharedDataSets::chain(const std::string& name) {
    auto it = chains_.find(name);
    if (it == chains_.end())
        throw std::out_of_range("no shared data set " + name);
    return it->second;
}

} // namespace shared
