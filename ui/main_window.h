#pragma once

// The program's one window: its controls as the handlers see them.

#include "platform/http_get.h"

#include <QWidget>
#include <memory>

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

/// Creates the window from its definition, binds its events, shows it and
/// raises its creation-complete event.
[[nodiscard]] std::unique_ptr<MainWindow> openMainWindow();

} // namespace ui
