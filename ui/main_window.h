#pragma once

// The program's one window: its controls as the handlers see them.

#include "platform/http/http_get.h"
#include "ui/handlers.h"

#include <QWidget>
#include <memory>
#include <span>
#include <string_view>

QT_BEGIN_NAMESPACE
class QAction;
class QLabel;
class QMenu;
class QPushButton;
QT_END_NAMESPACE

namespace platform {
class BrowserView;
class NumberBox;
class ReportList;
} // namespace platform

namespace ui {

/// The main window and its controls. Each control's objectName is its name in
/// the window definition; the menu items are named by their captions.
struct MainWindow {
    std::unique_ptr<QWidget> window;
    QLabel* label = nullptr;                  ///< 标签1
    platform::NumberBox* numberBox = nullptr; ///< 编辑框1
    QPushButton* searchButton = nullptr;      ///< 按钮1
    platform::ReportList* list = nullptr;     ///< 超级列表框1
    platform::BrowserView* browser = nullptr; ///< 超文本浏览框1
    QMenu* rowMenu = nullptr;                 ///< rowMenu, caption "菜单"
    QAction* previewItem = nullptr;           ///< "查看效果"
    QAction* copyItem = nullptr;              ///< "复制地址"
    platform::HttpLimits searchLimits;        ///< bounds of a search's request
};

/// The events a binding can name.
enum class Event { Created, Clicked, KeyPressed, GainedFocus, DoubleClick, RightButtonPressed };

/// One row of a binding table: a control by its objectName, one of its events, the handler.
struct Binding {
    std::string_view source;
    Event event;
    Handler handler;
};

/// Connects every row of \p bindings. A row whose control does not exist, or
/// has no such event, stops the program with a message naming the row.
void bindEvents(MainWindow& w, std::span<const Binding> bindings);

/// Creates the window from its definition, binds its events, shows it and
/// raises its creation-complete event.
[[nodiscard]] std::unique_ptr<MainWindow> openMainWindow();

} // namespace ui
