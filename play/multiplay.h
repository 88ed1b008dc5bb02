#pragma once

// The "Multi Play " window: a list of up to twenty tones, each with its own
// duration and space, sent to the device in one go. Created hidden on first
// use and afterwards only hidden and shown, so the list survives.

#include <QWidget>

class Zelvo;

class MultiPlay : public QWidget
{
    Q_OBJECT

public:
    static constexpr int Rows = 21;   // row 0 holds the headings
    static constexpr int Columns = 4; // column 0 holds the row labels

    explicit MultiPlay(Zelvo *main, QWidget *parent = nullptr);

    // "-1" while the window is in use, "0" once Close has been pressed.
    QString Tag = QStringLiteral("-1");

    // The grid's cell texts; every cell holds text.
    QString textMatrix(int row, int column) const;
    void setTextMatrix(int row, int column, const QString &text);

    // Empties the Tone, Duration and Space cells of rows 1 to 20.
    void clearList();
};
