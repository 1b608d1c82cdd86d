// Program entry: the main window, the data module and the search dialog are
// created in that order, then the message loop runs until the window closes.

#include <QApplication>
#include <cstdio>
#include <exception>

#include "datamodule/TSimpleDataMod.h"
#include "forms/TFormSearchData.h"
#include "forms/TFormTavola.h"
#include "platform/AppFolder.h"
#include "platform/StopSignals.h"
#include "platform/ui/Translations.h"
#include "platform/ui/WidgetPrompts.h"

namespace {

// The standard error handler: an exception that escapes any event handler is
// shown in a message box and the program goes on.
class TavolaApplication : public QApplication {
  public:
    TavolaApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    ui::WidgetPrompts prompts;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            prompts.error(e.what());
        } catch (...) {
            prompts.error("Unknown error");
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    // Ctrl+C and kill close the window as its close box does (a running save
    // first ends at a whole product); the database client's own handlers
    // would otherwise keep the program running.
    platform::watchStopSignals([] {
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app, [] { QApplication::closeAllWindows(); }, Qt::QueuedConnection);
    });
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(stderr,
                     "tavola: no display found. Run it on a desktop, or under a virtual one:\n"
                     "  xvfb-run -a %s\n",
                     argv[0]);
        return 1;
    }
    TavolaApplication app(argc, argv);
    ui::installChineseTranslations(app); // the standard dialogs in Chinese when installed
    QApplication::setApplicationDisplayName(QString::fromUtf8("商品資料匯出匯入輔助工具"));
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string folder = platform::appFolder();

    TFormTavola FormTavola(folder, &app.prompts);
    app.prompts.setParent(&FormTavola);
    TSimpleDataMod SimpleDataMod(folder, args, &app.prompts);
    FormTavola.setDataModule(&SimpleDataMod);
    TFormSearchData::init(folder, &app.prompts, &FormTavola);

    FormTavola.show();
    if (platform::stopRequested()) // asked to stop before the window existed
        QMetaObject::invokeMethod(
            &app, [] { QApplication::closeAllWindows(); }, Qt::QueuedConnection);
    int rc = QApplication::exec();
    FormTavola.setDataModule(nullptr);
    return rc;
}
