// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The "Multi Play " window: a list of up to twenty tones, each with its own
// duration and space, sent to the device in one go. Created hidden on first
// use and afterwards only hidden and shown, so the list survives.
//
// The window talks through the main window's port MSComm1 but over a link of
// its own, counting the ticks of its own timer Timer2, with its own tick
// counter, reply text and device-present flag; the main window's link
// variables are never touched. Its link reports no status, probes without
// emptying the port first and skips every failing read. Every wait
// dispatches events with the host's waiter, so it unwinds with
// ApplicationEnded once the application has ended.

#include "files/configview.h"
#include "play/playhost.h"

#include <QString>
#include <QWidget>

class DeviceLink;
class QLabel;
class QPushButton;
class QTableWidget;
class TickSource;

class MultiPlay : public QWidget, public ConfigView
{
    Q_OBJECT

public:
    static constexpr int Rows = 21;   // row 0 holds the headings
    static constexpr int Columns = 4; // column 0 holds the row labels
    static constexpr int ToneColumn = 1;
    static constexpr int DurationColumn = 2;
    static constexpr int SpaceColumn = 3;

    // Creates and loads the window, hidden. It is a window of its own even
    // with the main window as parent. Of `host` it takes the main window's
    // port, a tick source, the handler runner, the waiter and the prompt.
    explicit MultiPlay(const PlayHost &host, QWidget *parent = nullptr);
    ~MultiPlay() override;

    // "-1" while the window is in use, "0" once Close has been pressed (or the
    // window was closed through its frame).
    QString Tag = QStringLiteral("-1");

    // The grid's cell texts, row 0 and column 0 being the fixed header cells;
    // every cell holds text. Cells outside the grid read as "" and ignore
    // writes. Writing a cell applies no check of typing.
    QString textMatrix(int row, int column) const;
    void setTextMatrix(int row, int column, const QString &text);

    // Empties the Tone, Duration and Space cells of rows 1 to 20; the current
    // cell stays where it is.
    void clearList();

    // ---- The configuration file's view: one line per entry ----
    // Line 0 is row 1; the fields of a line are its Tone, Duration and Space.
    int configLines() const override { return Rows - 1; }
    QString configField(int line, int column) const override
    {
        return textMatrix(line + 1, ToneColumn + column);
    }
    void setConfigField(int line, int column, const QString &text) override
    {
        setTextMatrix(line + 1, ToneColumn + column, text);
    }

    // The grid's current cell, in grid coordinates (rows and columns from 1).
    int currentRow() const;
    int currentColumn() const;
    // Moves the current cell (as entering it with the mouse or keys does).
    void setCurrentCell(int row, int column);

    // ---- Handlers ----
    // Headers, row labels and the current cell on row 1, Tone.
    void Form_Load();
    // One typed character (its code, 13 for Enter, 8 for Backspace), whichever
    // control of the window has the focus: the cell editing of the grid.
    void Form_KeyPress(int &keyAscii);
    // The current cell changed: refreshes `column` and `row`.
    void ToneGrid_EnterCell();
    // Sends the list; every failing step is skipped. The window stays open.
    void Send_Click();
    // Tag = "0"; the opener hides the window.
    void Cancel_Click();
    // Empties the list without a question.
    void Clear_Click();

    // This window's link over the main window's port.
    DeviceLink &link() const { return *m_link; }

    // ---- Window state ----
    qint16 column = 0;
    qint16 row = 0;

    // ---- Controls ----
    QTableWidget *ToneGrid = nullptr;
    QPushButton *Send = nullptr;
    QPushButton *Cancel = nullptr;
    QPushButton *Clear = nullptr;
    QLabel *Label1 = nullptr;
    TickSource *Timer2 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWindow();
    void previewKeys();
    void showError(const QString &text);

    PlayHost::Runner m_handle;
    ToneListSend::Progress m_prompt;
    DeviceLink *m_link = nullptr;
};
