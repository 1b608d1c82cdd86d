#include "WidgetPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace ui {

static QString q(const std::string& s) {
    return QString::fromStdString(s);
}

static QString caption() {
    return QApplication::applicationDisplayName();
}

void WidgetPrompts::info(const std::string& m) {
    QMessageBox::information(parent_, caption(), q(m));
}

void WidgetPrompts::warning(const std::string& m) {
    QMessageBox::warning(parent_, caption(), q(m));
}

void WidgetPrompts::error(const std::string& m) {
    QMessageBox::critical(parent_, caption(), q(m));
}

bool WidgetPrompts::confirm(const std::string& m) {
    return QMessageBox::question(parent_, caption(), q(m), QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

std::string WidgetPrompts::openFile(const std::string& title, const std::string& filter) {
    return QFileDialog::getOpenFileName(parent_, q(title), {}, q(filter)).toStdString();
}

std::string WidgetPrompts::saveFile(const std::string& title, const std::string& filter,
                                    const std::string& suggestedName) {
    return QFileDialog::getSaveFileName(parent_, q(title), q(suggestedName), q(filter))
        .toStdString();
}

} // namespace ui
