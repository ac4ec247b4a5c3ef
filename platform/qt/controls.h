#pragma once

// Qt widgets given the operations and events the window's handlers use.
// Each stays thin: the program's behaviour lives in ui/.

#include <QLineEdit>
#include <QTreeWidget>
#include <string>

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

/// A report-style list with column headers. Cells hold bytes; each cell shows
/// shownText() of its bytes and reads back the bytes it was given.
class ReportList : public QTreeWidget {
    Q_OBJECT
public:
    explicit ReportList(QWidget* parent = nullptr);

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

signals:
    void mouseDoubleClicked(int x, int y, Qt::KeyboardModifiers modifiers);
    void rightButtonPressed(int x, int y, Qt::KeyboardModifiers modifiers);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

/// Pops \p menu up at the mouse cursor and returns when it closes.
void popUpAtCursor(QMenu& menu);

/// Shows \p text in a modal box with the information icon and one OK button;
/// returns when the user dismisses it.
void showInformation(QWidget* parent, const std::string& text);

/// Replaces the clipboard's contents with \p text as plain text.
void setClipboardText(const std::string& text);

} // namespace platform
