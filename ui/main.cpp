#include "platform/browser_view.h"
#include "platform/http_get.h"
#include "ui/program.h"

#include <QApplication>

int main(int argc, char** argv) {
    const platform::HttpSession http; // before any thread starts
    platform::prepareWebEngine();
    const QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("SWF Scout"));
    ui::startProgram();
    return 0;
}
