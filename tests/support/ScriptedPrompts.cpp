#include "ScriptedPrompts.h"

namespace testdata {

bool ScriptedPrompts::confirm(const std::string& m) {
    shown.push_back({"confirm", m});
    if (answers.empty())
        return false;
    bool a = answers.front();
    answers.pop_front();
    return a;
}

std::string ScriptedPrompts::openFile(const std::string&, const std::string&) {
    if (files.empty())
        return {};
    std::string f = files.front();
    files.pop_front();
    return f;
}

std::string ScriptedPrompts::saveFile(const std::string& t, const std::string& f,
                                      const std::string&) {
    return openFile(t, f);
}

} // namespace testdata
