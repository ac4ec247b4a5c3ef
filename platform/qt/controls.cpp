#include "platform/qt/controls.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QStringDecoder>
#include <QTimer>
#include <climits>

namespace platform {
namespace {

QByteArray bytesOf(const std::string& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// Characters that hide or disguise what stands beside them.
bool isDeceptive(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) ||      // controls
           c == 0x00AD || c == 0x034F || c == 0x061C || // soft hyphen, grapheme joiner, Arabic mark
           c == 0x115F || c == 0x1160 || c == 0x17B4 || c == 0x17B5 || c == 0x180E ||
           (c >= 0x200B && c <= 0x200F) || // zero-width space, joiners, LRM, RLM
           (c >= 0x2028 && c <= 0x202E) || // separators, embeddings, overrides
           (c >= 0x2060 && c <= 0x206F) || // word joiner, invisible operators, isolates
           c == 0x3164 || (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF || c == 0xFFA0 ||
           (c >= 0xFFF9 && c <= 0xFFFB) || (c >= 0xE0000 && c <= 0xE0FFF); // tags, selectors
}

// Bytes as text: UTF-8 where they are UTF-8, GB18030 (the superset of GBK and
// GB2312) where they are not, else UTF-8 with U+FFFD for what is undecodable.
// With \p prefix, the bytes were cut short, and a character cut at their end
// is no error.
QString decodeBytes(const QByteArray& data, bool prefix) {
    const auto flags = prefix ? QStringDecoder::Flag::Default : QStringDecoder::Flag::Stateless;
    QStringDecoder utf8(QStringDecoder::Utf8, flags);
    QString text = utf8(data);
    if (!utf8.hasError()) return text;
    QStringDecoder gb18030("GB18030", flags);
    if (gb18030.isValid()) {
        text = gb18030(data);
        if (!gb18030.hasError()) return text;
    }
    return QString::fromUtf8(data);
}

} // namespace

QString shownCell(const std::string& bytes) {
    // A bounded prefix: four bytes a character at most, and a few to spare.
    constexpr std::size_t kPrefixBytes = 4 * kMaxShownChars + 16;
    const bool cut = bytes.size() > kPrefixBytes;
    const QString text = decodeBytes(bytesOf(cut ? bytes.substr(0, kPrefixBytes) : bytes), cut);
    QString shown;
    int chars = 0;
    for (const char32_t c : text.toUcs4()) {
        if (chars == kMaxShownChars) return shown + QChar(0x2026);
        const auto character = QChar::fromUcs4(c); // not fromUcs4(): it drops U+FEFF
        if (isDeceptive(c)) {
            for (const char b : QStringView(character).toUtf8())
                shown += QStringLiteral("%%1")
                             .arg(static_cast<unsigned char>(b), 2, 16, QLatin1Char('0'))
                             .toUpper();
        } else {
            shown.append(QStringView(character));
        }
        ++chars;
    }
    return cut ? shown + QChar(0x2026) : shown;
}

// --- InputPause ------------------------------------------------------------------------------

InputPause::InputPause() {
    QCoreApplication::instance()->installEventFilter(this);
}

InputPause::~InputPause() {
    // What arrived just before the end is dropped as well, not handled afterwards.
    QCoreApplication::processEvents();
    QCoreApplication::instance()->removeEventFilter(this);
}

bool InputPause::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

QString shownText(const std::string& bytes) {
    return decodeBytes(bytesOf(bytes), false);
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

// --- ReportRows ------------------------------------------------------------------------------

ReportRows::ReportRows(QStringList headers, QObject* parent)
    : QAbstractTableModel(parent)
    , headers_(std::move(headers)) {}

void ReportRows::clear() {
    beginResetModel();
    std::deque<Row>().swap(rows_); // gives the memory back
    announced_ = 0;
    endResetModel();
}

std::size_t ReportRows::append(std::string cell0) {
    rows_.push_back(Row{{std::move(cell0), {}}});
    if (!announcing_) {
        announcing_ = true;
        QTimer::singleShot(0, this, &ReportRows::announce);
    }
    return rows_.size() - 1;
}

void ReportRows::announce() {
    announcing_ = false;
    const int count = static_cast<int>(std::min<std::size_t>(rows_.size(), INT_MAX));
    if (count <= announced_) return;
    beginInsertRows({}, announced_, count - 1);
    announced_ = count;
    endInsertRows();
}

void ReportRows::write(std::size_t row, int column, std::string text) {
    if (row >= rows_.size() || column < 0 || column >= columnCount()) return;
    rows_[row].cells[column] = std::move(text);
    if (static_cast<int>(row) < announced_)
        emit dataChanged(index(static_cast<int>(row), column),
                         index(static_cast<int>(row), column));
}

const std::string* ReportRows::cell(std::size_t row, int column) const {
    if (row >= rows_.size() || column < 0 || column >= columnCount()) return nullptr;
    return &rows_[row].cells[column];
}

int ReportRows::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : announced_;
}

int ReportRows::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(std::size(Row{}.cells));
}

QVariant ReportRows::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const std::string* text = cell(static_cast<std::size_t>(index.row()), index.column());
    return text != nullptr ? QVariant(shownCell(*text)) : QVariant();
}

QVariant ReportRows::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= headers_.size())
        return {};
    return headers_[section];
}

// --- ReportList ------------------------------------------------------------------------------

ReportList::ReportList(QStringList headers, QWidget* parent)
    : QTreeView(parent)
    , rows_(new ReportRows(std::move(headers), this)) {
    setModel(rows_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setTextElideMode(Qt::ElideRight);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(16); // a narrow number column stays as narrow as set
    header()->setSectionsMovable(false);
}

void ReportList::removeAllRows() {
    rows_->clear();
}

int ReportList::rowCount() const {
    return static_cast<int>(rows_->size());
}

RowIndex ReportList::appendRow(const std::string& cell0) {
    return static_cast<RowIndex>(rows_->append(cell0));
}

void ReportList::writeCell(RowIndex row, int column, const std::string& text) {
    if (row >= 0) rows_->write(static_cast<std::size_t>(row), column, text);
}

std::string ReportList::readCell(RowIndex row, int column) const {
    const std::string* text =
        row >= 0 ? rows_->cell(static_cast<std::size_t>(row), column) : nullptr;
    return text != nullptr ? *text : std::string();
}

RowIndex ReportList::selectedRow() const {
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

QString ReportList::shownCellText(RowIndex row, int column) const {
    return shownCell(readCell(row, column)); // what the rows' data() gives the view
}

QRect ReportList::rowRect(RowIndex row) const {
    return visualRect(rows_->index(row, 0));
}

void ReportList::mousePressEvent(QMouseEvent* event) {
    QTreeView::mousePressEvent(event); // selects the row under the cursor first
    if (event->button() == Qt::RightButton) {
        const QPoint at = event->position().toPoint();
        emit rightButtonPressed(at.x(), at.y(), event->modifiers());
    }
}

void ReportList::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
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
