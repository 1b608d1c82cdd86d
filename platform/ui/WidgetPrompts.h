#pragma once

#include "platform/Prompts.h"

class QWidget;

namespace ui {

// Prompts as the standard message boxes and file dialogs.
class WidgetPrompts : public platform::Prompts {
  public:
    explicit WidgetPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void info(const std::string& message) override;
    void warning(const std::string& message) override;
    void error(const std::string& message) override;
    bool confirm(const std::string& message) override;
    std::string openFile(const std::string& title, const std::string& filter) override;
    std::string saveFile(const std::string& title, const std::string& filter,
                         const std::string& suggestedName) override;

  private:
    QWidget* parent_;
};

} // namespace ui
