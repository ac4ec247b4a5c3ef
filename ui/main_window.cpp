#include "ui/main_window.h"

#include "platform/qt/browser_view.h"
#include "platform/qt/controls.h"
#include "ui/handlers.h"

#include <QAction>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QWidget>
#include <string_view>

namespace ui {
namespace {

// --- The window definition -------------------------------------------------------------------

constexpr QSize kClientSize{694, 246}; // the controls' extent plus a 6-pixel margin
constexpr QPoint kDesignedPosition{50, 50};

struct Place {
    int left, top, width, height;
};
constexpr Place kLabel{8, 8, 48, 24};
constexpr Place kNumberBox{56, 8, 120, 22};
constexpr Place kButton{184, 8, 116, 23};
constexpr Place kList{6, 40, 297, 200};
constexpr Place kBrowser{303, 8, 385, 232};

void place(QWidget* control, const char* name, Place p) {
    control->setObjectName(QString::fromUtf8(name));
    control->setGeometry(p.left, p.top, p.width, p.height);
}

std::unique_ptr<MainWindow> createMainWindow() {
    auto w = std::make_unique<MainWindow>();
    w->window = std::make_unique<QWidget>();
    QWidget* window = w->window.get();
    window->setObjectName(QStringLiteral("主窗口"));
    window->setWindowTitle(QStringLiteral("SWF Scout"));
    window->setWindowIcon(QIcon(QStringLiteral(":/swfscout/swfscout.svg")));
    window->setFixedSize(kClientSize);
    window->move(kDesignedPosition);
    QFont font = window->font();
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), font.family()});
    font.setPixelSize(12); // the size the layout was drawn for
    window->setFont(font);

    w->label = new QLabel(QStringLiteral("QQ账号："), window);
    place(w->label, "标签1", kLabel);

    w->numberBox = new platform::NumberBox(window);
    place(w->numberBox, "编辑框1", kNumberBox);

    w->searchButton = new QPushButton(QStringLiteral("搜索模块地址"), window);
    place(w->searchButton, "按钮1", kButton);

    w->list =
        new platform::ReportList({QStringLiteral("序列"), QStringLiteral("FLASH地址")}, window);
    place(w->list, "超级列表框1", kList);
    w->list->setColumnWidth(0, 30);
    w->list->setColumnWidth(1, 263);
    for (int i = 0; i < 3; ++i)
        w->list->appendRow({});
    w->list->writeCell(1, 1, "在此点击鼠标右键复制地址");

    w->browser = new platform::BrowserView(window);
    place(w->browser, "超文本浏览框1", kBrowser);
    w->browser->setEnabled(false); // shows what it loads, takes no input

    w->rowMenu = new QMenu(QStringLiteral("菜单"), window);
    w->rowMenu->setObjectName(QStringLiteral("rowMenu"));
    w->previewItem = w->rowMenu->addAction(QStringLiteral("查看效果"));
    w->previewItem->setObjectName(QStringLiteral("查看效果"));
    w->copyItem = w->rowMenu->addAction(QStringLiteral("复制地址"));
    w->copyItem->setObjectName(QStringLiteral("复制地址"));

    w->numberBox->setFocus();
    return w;
}

// --- Event bindings --------------------------------------------------------------------------

// No other event of any control is handled; 标签1 and 超文本浏览框1 have none.
constexpr Binding kBindings[] = {
    {"主窗口", Event::Created, onWindowCreated},
    {"按钮1", Event::Clicked, runSearch},
    {"编辑框1", Event::KeyPressed, onNumberKey},
    {"编辑框1", Event::GainedFocus, clearNumberBox},
    {"超级列表框1", Event::DoubleClick, previewSelected},
    {"超级列表框1", Event::RightButtonPressed, showRowMenu},
    {"查看效果", Event::Clicked, previewSelected},
    {"复制地址", Event::Clicked, copySelected},
};

QObject* findSource(MainWindow& w, std::string_view name) {
    const QString objectName = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    if (w.window->objectName() == objectName) return w.window.get();
    return w.window->findChild<QObject*>(objectName);
}

// Connects \p source's \p event to \p handler; the source is the connection's
// context, so the connection ends with it. \returns false when the source has
// no such event.
bool bind(MainWindow& w, QObject* source, Event event, Handler handler) {
    const auto fire = [&w, handler](const EventArgs& e) { handler(w, e); };
    const auto mouse = [fire](int x, int y, Qt::KeyboardModifiers m) {
        fire(EventArgs{0, m, x, y});
    };
    QMetaObject::Connection connection;
    switch (event) {
    case Event::Created:
        return true; // raised by openMainWindow()
    case Event::Clicked:
        if (auto* button = qobject_cast<QPushButton*>(source))
            connection =
                QObject::connect(button, &QPushButton::clicked, button, [fire] { fire({}); });
        else if (auto* item = qobject_cast<QAction*>(source))
            connection = QObject::connect(item, &QAction::triggered, item, [fire] { fire({}); });
        break;
    case Event::KeyPressed:
        if (auto* box = qobject_cast<platform::NumberBox*>(source))
            connection = QObject::connect(box, &platform::NumberBox::keyPressed, box,
                                          [fire](int key, Qt::KeyboardModifiers m) {
                                              fire(EventArgs{key, m});
                                          });
        break;
    case Event::GainedFocus:
        if (auto* box = qobject_cast<platform::NumberBox*>(source))
            connection =
                QObject::connect(box, &platform::NumberBox::gainedFocus, box, [fire] { fire({}); });
        break;
    case Event::DoubleClick:
        if (auto* list = qobject_cast<platform::ReportList*>(source))
            connection =
                QObject::connect(list, &platform::ReportList::mouseDoubleClicked, list, mouse);
        break;
    case Event::RightButtonPressed:
        if (auto* list = qobject_cast<platform::ReportList*>(source))
            connection =
                QObject::connect(list, &platform::ReportList::rightButtonPressed, list, mouse);
        break;
    }
    return static_cast<bool>(connection);
}

} // namespace

void bindEvents(MainWindow& w, std::span<const Binding> bindings) {
    for (const Binding& b : bindings) {
        QObject* source = findSource(w, b.source);
        if (source == nullptr || !bind(w, source, b.event, b.handler)) {
            // A wrong row would leave a control dead without a word: stop at once, in every build.
            qFatal("SWF Scout: the binding table's row for \"%.*s\" matches no %s of the window",
                   static_cast<int>(b.source.size()), b.source.data(),
                   source == nullptr ? "control" : "event of that control");
        }
    }
}

std::unique_ptr<MainWindow> openMainWindow() {
    std::unique_ptr<MainWindow> w = createMainWindow();
    bindEvents(*w, kBindings);
    w->window->show();
    for (const Binding& b : kBindings)
        if (b.event == Event::Created) b.handler(*w, {});
    return w;
}

} // namespace ui
