#include "platform/qt/controls.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QStringDecoder>

namespace platform {
namespace {

constexpr int kBytesRole = Qt::UserRole;

QByteArray bytesOf(const std::string& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QString shownText(const std::string& bytes) {
    const QByteArray data = bytesOf(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(data);
    if (!utf8.hasError()) return text;
    QStringDecoder gb18030("GB18030");
    if (gb18030.isValid()) {
        text = gb18030.decode(data);
        if (!gb18030.hasError()) return text;
    }
    return QString::fromUtf8(data); // undecodable bytes show as U+FFFD
}

// --- NumberBox -------------------------------------------------------------------------------

NumberBox::NumberBox(QWidget* parent)
    : QLineEdit(parent) {}

std::string NumberBox::readText() const {
    return text().toStdString();
}

void NumberBox::writeText(const std::string& text) {
    setText(shownText(text));
}

void NumberBox::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const int code = (key == Qt::Key_Return || key == Qt::Key_Enter) ? kEnterKey : key;
    emit keyPressed(code, event->modifiers());
    QLineEdit::keyPressEvent(event);
}

void NumberBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // A popup menu closing hands the focus back; the box never really lost it.
    if (event->reason() != Qt::PopupFocusReason) emit gainedFocus();
}

// --- ReportList ------------------------------------------------------------------------------

ReportList::ReportList(QWidget* parent)
    : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::PreventContextMenu);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(16); // a narrow number column stays as narrow as set
    header()->setSectionsMovable(false);
}

void ReportList::removeAllRows() {
    clear();
}

int ReportList::rowCount() const {
    return topLevelItemCount();
}

RowIndex ReportList::appendRow(const std::string& cell0) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, shownText(cell0));
    item->setData(0, kBytesRole, bytesOf(cell0));
    addTopLevelItem(item);
    return topLevelItemCount() - 1;
}

void ReportList::writeCell(RowIndex row, int column, const std::string& text) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr || column < 0 || column >= columnCount()) return;
    item->setText(column, shownText(text));
    item->setData(column, kBytesRole, bytesOf(text));
}

std::string ReportList::readCell(RowIndex row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr || column < 0 || column >= columnCount()) return {};
    return item->data(column, kBytesRole).toByteArray().toStdString();
}

RowIndex ReportList::selectedRow() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.first());
}

void ReportList::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event); // selects the row under the cursor first
    if (event->button() == Qt::RightButton) {
        const QPoint at = event->position().toPoint();
        emit rightButtonPressed(at.x(), at.y(), event->modifiers());
    }
}

void ReportList::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        emit mouseDoubleClicked(at.x(), at.y(), event->modifiers());
    }
}

// --- Menu, message box, clipboard ------------------------------------------------------------

void popUpAtCursor(QMenu& menu) {
    menu.exec(QCursor::pos());
}

void showInformation(QWidget* parent, const std::string& text) {
    QMessageBox box(QMessageBox::Information, QApplication::applicationDisplayName(),
                    shownText(text), QMessageBox::Ok, parent);
    box.exec();
}

void setClipboardText(const std::string& text) {
    QClipboard* clipboard = QApplication::clipboard();
    if (clipboard == nullptr) return;
    clipboard->setText(shownText(text), QClipboard::Clipboard);
}

} // namespace platform
