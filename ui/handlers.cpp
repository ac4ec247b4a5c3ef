#include "ui/handlers.h"

#include "platform/qt/browser_view.h"
#include "platform/qt/controls.h"
#include "search/module_addresses.h"
#include "search/page_fetch.h"
#include "ui/main_window.h"
#include "ui/program.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QWidget>
#include <string>

namespace ui {

void onWindowCreated(MainWindow& w, const EventArgs&) {
    w.searchButton->ensurePolished();
}

void runSearch(MainWindow& w, const EventArgs&) {
    w.list->removeAllRows();

    search::Text address;
    {
        const search::Text number = w.numberBox->readText();
        address = search::buildQueryAddress(number);
    }

    // While the request waits, the window keeps painting, and input given
    // meanwhile is dropped, so no second action starts, then or later; closing
    // the window abandons the request.
    search::Text page;
    {
        const platform::InputPause paused;
        const auto keepPainting = [&w] {
            QCoreApplication::processEvents();
            return w.window->isVisible();
        };
        page = search::fetchPage(address, w.searchLimits, keepPainting);
    }
    address = {};
    PageText = std::move(page);

    const search::TextList addresses = search::extractModuleAddresses(PageText);
    for (const search::Text& moduleAddress : addresses) {
        const platform::RowIndex row = w.list->appendRow(std::to_string(w.list->rowCount() + 1));
        w.list->writeCell(row, 1, moduleAddress);
    }
}

void onNumberKey(MainWindow& w, const EventArgs& e) {
    if (e.keyCode == platform::kEnterKey) runSearch(w, e);
}

void clearNumberBox(MainWindow& w, const EventArgs&) {
    w.numberBox->writeText({});
}

void previewSelected(MainWindow& w, const EventArgs&) {
    const search::Text text = w.list->readCell(w.list->selectedRow(), 1);
    w.browser->setAddress(text);
}

void copySelected(MainWindow& w, const EventArgs&) {
    {
        const search::Text text = w.list->readCell(w.list->selectedRow(), 1);
        platform::setClipboardText(text);
    }
    platform::showInformation(w.window.get(), "复制成功!");
}

void showRowMenu(MainWindow& w, const EventArgs&) {
    platform::popUpAtCursor(*w.rowMenu);
}

} // namespace ui
