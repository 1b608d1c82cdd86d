#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/Prompts.h"

namespace testdata {

// Prompts for tests: records every message and answers questions and file
// dialogs from queues the test fills (an empty queue answers No / cancel).
class ScriptedPrompts : public platform::Prompts {
  public:
    struct Shown {
        std::string kind; // "info", "warning", "error", "confirm"
        std::string text;
    };
    std::vector<Shown> shown;
    std::deque<bool> answers;
    std::deque<std::string> files;

    void info(const std::string& m) override { shown.push_back({"info", m}); }
    void warning(const std::string& m) override { shown.push_back({"warning", m}); }
    void error(const std::string& m) override { shown.push_back({"error", m}); }
    bool confirm(const std::string& m) override;
    std::string openFile(const std::string& title, const std::string& filter) override;
    std::string saveFile(const std::string& title, const std::string& filter,
                         const std::string& suggested) override;
};

} // namespace testdata
