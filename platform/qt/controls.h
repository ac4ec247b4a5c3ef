#pragma once

// Qt widgets given the operations and events the window's handlers use.
// Each stays thin: the program's behaviour lives in ui/.

#include <QAbstractTableModel>
#include <QLineEdit>
#include <QTreeView>
#include <string>
#include <deque>

QT_BEGIN_NAMESPACE
class QMenu;
class QWidget;
QT_END_NAMESPACE

namespace platform {

/// Names a row of a ReportList, counted from 0; -1 means no row.
using RowIndex = int;

/// Key code of Enter, whichever Enter key was pressed.
inline constexpr int kEnterKey = 13;

/// Turns bytes into the text a control shows: UTF-8 where the bytes are valid
/// UTF-8, GB18030 (the superset of GBK and GB2312) where they are not.
[[nodiscard]] QString shownText(const std::string& bytes);

/// Longest text a list cell shows; a longer one is cut there and ends in "…".
inline constexpr int kMaxShownChars = 2000;

/// What a list cell shows for \p bytes: shownText() of at most a bounded prefix,
/// cut at kMaxShownChars, with every character that would hide or disguise
/// what stands there (controls, bidirectional overrides, embeddings, isolates
/// and marks, zero-width and other invisible characters) written as the
/// percent escapes of its UTF-8 bytes, as a browser's address bar does.
[[nodiscard]] QString shownCell(const std::string& bytes);

/// Drops the user's input (keys, clicks, wheel) while it lives: the window
/// keeps painting and closing, but nothing typed or clicked meanwhile is
/// acted on, then or later.
class InputPause : public QObject {
public:
    InputPause();
    ~InputPause() override;
    InputPause(const InputPause&) = delete;
    InputPause& operator=(const InputPause&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

/// A single-line edit box that reports key presses and gained focus.
class NumberBox : public QLineEdit {
    Q_OBJECT
public:
    explicit NumberBox(QWidget* parent = nullptr);

    [[nodiscard]] std::string readText() const;
    void writeText(const std::string& text);

signals:
    /// Raised before the key is applied; \p keyCode is 13 for either Enter key.
    void keyPressed(int keyCode, Qt::KeyboardModifiers modifiers);
    void gainedFocus();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
};

/// The rows of a ReportList: two byte-string cells each, no object per row.
/// Rows appended in a burst are announced to the view once, when the window
/// next handles its events, so a million appends cost a million vector
/// pushes, not a million view updates.
class ReportRows : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ReportRows(QStringList headers, QObject* parent = nullptr);

    void clear();
    std::size_t append(std::string cell0);
    void write(std::size_t row, int column, std::string text);
    [[nodiscard]] const std::string* cell(std::size_t row, int column) const;
    [[nodiscard]] std::size_t size() const { return rows_.size(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void announce();
    struct Row {
        std::string cells[2];
    };
    QStringList headers_;
    std::deque<Row> rows_; // grows in blocks: no copy of what is there already
    int announced_ = 0; ///< rows the view has been told of
    bool announcing_ = false;
};

/// A report-style list with column headers. Cells hold bytes; each cell shows
/// shownCell() of its bytes and reads back the bytes it was given.
class ReportList : public QTreeView {
    Q_OBJECT
public:
    ReportList(QStringList headers, QWidget* parent = nullptr);

    void removeAllRows();
    [[nodiscard]] int rowCount() const;
    /// Appends a row whose cell 0 holds \p cell0; \returns the new row's index.
    RowIndex appendRow(const std::string& cell0);
    void writeCell(RowIndex row, int column, const std::string& text);
    /// \returns the bytes of a cell, or the empty text for a row or column
    /// that does not exist (row -1 included).
    [[nodiscard]] std::string readCell(RowIndex row, int column) const;
    /// \returns the selected row, or -1 when none is selected.
    [[nodiscard]] RowIndex selectedRow() const;

    /// What the cell shows on screen.
    [[nodiscard]] QString shownCellText(RowIndex row, int column) const;
    /// Where the row stands in the viewport.
    [[nodiscard]] QRect rowRect(RowIndex row) const;

signals:
    void mouseDoubleClicked(int x, int y, Qt::KeyboardModifiers modifiers);
    void rightButtonPressed(int x, int y, Qt::KeyboardModifiers modifiers);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    ReportRows* rows_;
};

/// Pops \p menu up at the mouse cursor and returns when it closes.
void popUpAtCursor(QMenu& menu);

/// Shows \p text in a modal box with the information icon and one OK button;
/// returns when the user dismisses it.
void showInformation(QWidget* parent, const std::string& text);

/// Replaces the clipboard's contents with \p text as plain text.
void setClipboardText(const std::string& text);

} // namespace platform
