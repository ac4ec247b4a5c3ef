#include "ui/program.h"

#include "ui/main_window.h"

#include <QApplication>

search::Text PageText;

namespace ui {
namespace {

struct AtProgramEnd {
    AtProgramEnd() = default;
    AtProgramEnd(const AtProgramEnd&) = delete;
    AtProgramEnd& operator=(const AtProgramEnd&) = delete;
    ~AtProgramEnd() { endProgram(); }
};

} // namespace

void startProgram() {
    PageText.clear();
    const AtProgramEnd atEnd;
    const std::unique_ptr<MainWindow> main = openMainWindow();
    QApplication::exec();
}

void endProgram() {
    PageText.clear();
    PageText.shrink_to_fit();
}

} // namespace ui
