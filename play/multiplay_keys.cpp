// SPDX-License-Identifier: GPL-3.0-or-later
// Cell editing of the Multi Play list. The window previews every character
// typed while it is active, whichever of its controls has the focus, and the
// grid itself edits nothing: this is the only way a typed key changes a cell.

#include "widgets/messagebox.h"
#include "core/text.h"
#include "play/multiplay.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWindow>

namespace {

constexpr int Enter = 13;
constexpr int Backspace = 8;
constexpr int Tab = 9;
constexpr int LastRow = MultiPlay::Rows - 1;
constexpr int MaxDigits = 5;
constexpr double MinMilliseconds = 20;
constexpr double MaxMilliseconds = 65535;

const QString RangeMessage = QStringLiteral("Only numbers between 20 and 65535 allowed.");
const QString DurationDigitsMessage = QStringLiteral("Only numbers 0 - 9 allowed");
const QString SpaceDigitsMessage = QStringLiteral("Sorry.Only numbers 0 - 9 allowed");

bool isDigit(int code)
{
    return code >= '0' && code <= '9';
}

bool isToneSymbol(int code)
{
    return isDigit(code) || code == '#' || code == '*' || (code >= 'A' && code <= 'D') ||
           (code >= 'a' && code <= 'd');
}

// The characters one key press types, as codes: Enter and Backspace by their
// control codes whatever text the platform attached; none for keys that type
// nothing (arrows, modifiers, Delete) and for Tab, which moves the focus.
QList<int> typedCodes(const QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return {Enter};
    if (event->key() == Qt::Key_Backspace)
        return {Backspace};
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab ||
        event->key() == Qt::Key_Delete)
        return {};
    QList<int> codes;
    for (const QChar ch : event->text()) {
        if (ch.unicode() != Tab)
            codes << ch.unicode();
    }
    return codes;
}

} // namespace

void MultiPlay::previewKeys()
{
    // Key presses reach the window's platform window before any control.
    if (QWindow *window = windowHandle())
        window->installEventFilter(this);
}

bool MultiPlay::eventFilter(QObject *watched, QEvent *event)
{
    // While a modal box is up the window takes no typing.
    if (event->type() == QEvent::KeyPress && watched == windowHandle() &&
        !QApplication::activeModalWidget()) {
        for (int code : typedCodes(static_cast<QKeyEvent *>(event)))
            m_handle([&] { Form_KeyPress(code); });
    }
    // The character goes on to the control that has the focus.
    return QWidget::eventFilter(watched, event);
}

void MultiPlay::showError(const QString &text)
{
    msgbox::notify(this, text, QStringLiteral("ERROR"));
}

void MultiPlay::Form_KeyPress(int &keyAscii)
{
    column = static_cast<qint16>(currentColumn());
    row = static_cast<qint16>(currentRow());
    const QString cell = textMatrix(row, column);

    if (keyAscii == Enter) {
        const double value = numericValue(cell);
        if ((column > ToneColumn && value < MinMilliseconds) || value > MaxMilliseconds) {
            showError(RangeMessage);
            setTextMatrix(row, column, QString());
        } else if (column < SpaceColumn) {
            setCurrentCell(row, column + 1);
        } else {
            setCurrentCell(row == LastRow ? 1 : row + 1, ToneColumn);
        }
        return;
    }

    switch (column) {
    case ToneColumn:
        setTextMatrix(row, column, isToneSymbol(keyAscii) ? QString(QChar(keyAscii)) : QString());
        break;
    case DurationColumn:
    case SpaceColumn:
        if (isDigit(keyAscii)) {
            if (cell.size() < MaxDigits)
                setTextMatrix(row, column, cell + QChar(keyAscii));
            // Space is checked for its range only on Enter.
            if (column == DurationColumn &&
                numericValue(textMatrix(row, column)) > MaxMilliseconds) {
                showError(RangeMessage);
                setTextMatrix(row, column, QString());
            }
        } else if (keyAscii == Backspace) {
            setTextMatrix(row, column, QString());
        } else {
            showError(column == DurationColumn ? DurationDigitsMessage : SpaceDigitsMessage);
        }
        break;
    default:
        break;
    }
}
