#pragma once

class QCoreApplication;

namespace ui {

// Loads Qt's own Traditional Chinese texts (file dialogs, Yes/No, OK,
// Cancel), from the folder Qt's translations are installed in. False when
// they are not installed; the dialogs then stay in English.
bool installChineseTranslations(QCoreApplication& app);

} // namespace ui
