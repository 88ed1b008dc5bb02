// The Multi Play window: its form, its list, and the cell editing by typed
// characters, typed through the window's platform window as a user would.

#include "app/statusbox.h"
#include "play/multiplay.h"
#include "support/panelrig.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <limits>

namespace {

const QString RangeMessage = QStringLiteral("Only numbers between 20 and 65535 allowed.");

// The window of a started panel, shown without the opener's wait.
MultiPlay &shownWindow(PanelRig &rig)
{
    rig.addDevice(1);
    Zelvo &panel = rig.start();
    MultiPlay &window = *panel.multiPlay();
    window.show();
    return window;
}

// Types each character of `keys` into the window; '\r' is Enter, '\b' Backspace.
void type(MultiPlay &window, const QString &keys)
{
    QWindow *handle = window.windowHandle();
    QVERIFY(handle);
    for (const QChar ch : keys) {
        if (ch == u'\r')
            QTest::keyClick(handle, Qt::Key_Return);
        else if (ch == u'\b')
            QTest::keyClick(handle, Qt::Key_Backspace);
        else
            QTest::keyClick(handle, ch.toLatin1());
    }
}

// A digit of the numeric pad.
void typePad(MultiPlay &window, int digit)
{
    QTest::keyClick(window.windowHandle(), Qt::Key(Qt::Key_0 + digit), Qt::KeypadModifier);
}

QString cell(MultiPlay &window, int row, int column)
{
    return window.textMatrix(row, column);
}

QPair<int, int> current(MultiPlay &window)
{
    return {window.currentRow(), window.currentColumn()};
}

} // namespace

class MultiPlayTest : public QObject
{
    Q_OBJECT

private slots:
    void mainClearBeforeFirstOpeningCreatesTheWindowHidden();
    void formAsLoaded();
    void toneColumnHoldsOneSymbol();
    void durationTyping();
    void spaceTyping();
    void enterValidatesAndMoves();
    void keysReachTheListWhicheverControlHasFocus();
    void clearFormEmptiesTheListOnly();
    void ownClockStopsAtItsLimit();
};

void MultiPlayTest::mainClearBeforeFirstOpeningCreatesTheWindowHidden()
{
    PanelRig rig;
    rig.addDevice(1);
    Zelvo &panel = rig.start();
    QVERIFY(!panel.multiPlayExists());
    rig.clearTexts();
    panel.Clear->click();
    QVERIFY(panel.multiPlayExists());
    MultiPlay &window = *panel.multiPlay();
    QVERIFY(!window.isVisible());
    QCOMPARE(rig.statusTexts(), (QStringList{QString(), QStringLiteral("Ready")}));

    // Filled later (as an import would), the list is emptied by the next Clear;
    // the headers, labels and the current cell stay.
    for (int r = 1; r <= 20; ++r) {
        window.setTextMatrix(r, 1, QStringLiteral("5"));
        window.setTextMatrix(r, 2, QStringLiteral("100"));
        window.setTextMatrix(r, 3, QStringLiteral("99999"));
    }
    window.setCurrentCell(7, 3);
    panel.Clear->click();
    QVERIFY(!window.isVisible());
    for (int r = 1; r <= 20; ++r) {
        for (int c = 1; c <= 3; ++c)
            QCOMPARE(cell(window, r, c), QString());
        QCOMPARE(cell(window, r, 0), QStringLiteral(" %1").arg(r));
    }
    QCOMPARE(cell(window, 0, 1), QStringLiteral("Tone"));
    QCOMPARE(current(window), qMakePair(7, 3));
    QVERIFY(rig.boxes().seen().isEmpty());
}

void MultiPlayTest::formAsLoaded()
{
    PanelRig rig;
    rig.addDevice(1);
    Zelvo &panel = rig.start();
    MultiPlay &window = *panel.multiPlay();
    QCOMPARE(window.Tag, QStringLiteral("-1"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Multi Play "));
    QVERIFY(window.isWindow());
    QVERIFY(!(window.windowFlags() & Qt::WindowMinMaxButtonsHint));
    QCOMPARE(window.minimumSize(), window.maximumSize());

    const QStringList headers{QString(), QStringLiteral("Tone"), QStringLiteral("Duration"),
                              QStringLiteral("Space")};
    for (int c = 0; c < MultiPlay::Columns; ++c)
        QCOMPARE(cell(window, 0, c), headers[c]);
    QCOMPARE(cell(window, 1, 0), QStringLiteral(" 1"));
    QCOMPARE(cell(window, 20, 0), QStringLiteral(" 20"));
    QCOMPARE(current(window), qMakePair(1, 1));
    QCOMPARE(window.row, qint16(1));
    QCOMPARE(window.column, qint16(1));
    // Outside the grid nothing is read or written.
    window.setTextMatrix(21, 1, QStringLiteral("5"));
    QCOMPARE(cell(window, 21, 1), QString());

    QCOMPARE(window.ToneGrid->accessibleName(), QStringLiteral("Tone list"));
    QCOMPARE(window.Send->text(), QStringLiteral("Send Data"));
    QCOMPARE(window.Cancel->text(), QStringLiteral("Close"));
    QCOMPARE(window.Clear->text(), QStringLiteral("Clear Form"));
    QCOMPARE(window.Label1->text(),
             QStringLiteral("MultiPlay sends up to 20 tones with individual length and duration."));
    QCOMPARE(window.Send->nextInFocusChain(), window.Cancel);

    window.show();
    QVERIFY(window.ToneGrid->isVisible());
    // All four columns are on screen within the grid's width.
    const QTableWidget *grid = window.ToneGrid;
    QVERIFY(grid->verticalHeader()->width() > 0);
    int used = grid->verticalHeader()->width();
    for (int c = 0; c < 3; ++c) {
        QVERIFY(grid->columnWidth(c) > 0);
        used += grid->columnWidth(c);
    }
    QVERIFY(used <= grid->width());
    QCOMPARE(window.focusWidget(), window.Send);
}

void MultiPlayTest::toneColumnHoldsOneSymbol()
{
    PanelRig rig;
    MultiPlay &window = shownWindow(rig);
    type(window, QStringLiteral("5"));
    QCOMPARE(cell(window, 1, 1), QStringLiteral("5"));
    type(window, QStringLiteral("7"));
    QCOMPARE(cell(window, 1, 1), QStringLiteral("7"));
    for (const QString &symbol : {QStringLiteral("#"), QStringLiteral("*"), QStringLiteral("A"),
                                  QStringLiteral("b"), QStringLiteral("d"), QStringLiteral("0")}) {
        type(window, symbol);
        QCOMPARE(cell(window, 1, 1), symbol);
    }
    for (const QString &other : {QStringLiteral("E"), QStringLiteral("x"), QStringLiteral("\b"),
                                 QStringLiteral("e"), QStringLiteral("-")}) {
        type(window, QStringLiteral("9"));
        type(window, other);
        QCOMPARE(cell(window, 1, 1), QString());
    }
    typePad(window, 3);
    QCOMPARE(cell(window, 1, 1), QStringLiteral("3"));
    // No message in the Tone column, and the current cell never moved.
    QVERIFY(rig.boxes().seen().isEmpty());
    QCOMPARE(current(window), qMakePair(1, 1));
}

void MultiPlayTest::durationTyping()
{
    PanelRig rig;
    MultiPlay &window = shownWindow(rig);
    window.setCurrentCell(4, 2);

    type(window, QStringLiteral("123456"));
    QCOMPARE(cell(window, 4, 2), QStringLiteral("12345"));
    QVERIFY(rig.boxes().seen().isEmpty());

    type(window, QStringLiteral("\b"));
    QCOMPARE(cell(window, 4, 2), QString());

    type(window, QStringLiteral("7000"));
    QCOMPARE(cell(window, 4, 2), QStringLiteral("7000"));
    QVERIFY(rig.boxes().seen().isEmpty());
    rig.boxes().answer(QMessageBox::Ok);
    type(window, QStringLiteral("0"));
    QCOMPARE(rig.boxes().texts(), QStringList{RangeMessage});
    QCOMPARE(rig.boxes().seen().first().title, QStringLiteral("ERROR"));
    QCOMPARE(cell(window, 4, 2), QString());

    // 65535 itself is in range.
    type(window, QStringLiteral("65535"));
    QCOMPARE(cell(window, 4, 2), QStringLiteral("65535"));
    type(window, QStringLiteral("\b0100"));
    QCOMPARE(cell(window, 4, 2), QStringLiteral("0100"));

    rig.boxes().answer(QMessageBox::Ok);
    type(window, QStringLiteral("x"));
    const BoxAnswerer::Seen &wrong = rig.boxes().seen().last();
    QCOMPARE(wrong.text, QStringLiteral("Only numbers 0 - 9 allowed"));
    QCOMPARE(wrong.title, QStringLiteral("ERROR"));
    QCOMPARE(wrong.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(wrong.icon, QMessageBox::NoIcon);
    QCOMPARE(cell(window, 4, 2), QStringLiteral("0100"));

    type(window, QStringLiteral("\b"));
    typePad(window, 4);
    typePad(window, 2);
    QCOMPARE(cell(window, 4, 2), QStringLiteral("42"));
    QCOMPARE(current(window), qMakePair(4, 2));
    QCOMPARE(rig.boxes().seen().size(), 2);
    QVERIFY(rig.boxes().allExpected());
}

void MultiPlayTest::spaceTyping()
{
    PanelRig rig;
    MultiPlay &window = shownWindow(rig);
    window.setCurrentCell(9, 3);

    type(window, QStringLiteral("70000"));
    QCOMPARE(cell(window, 9, 3), QStringLiteral("70000"));
    type(window, QStringLiteral("1"));
    QCOMPARE(cell(window, 9, 3), QStringLiteral("70000"));
    QVERIFY(rig.boxes().seen().isEmpty());
    rig.boxes().answer(QMessageBox::Ok);
    type(window, QStringLiteral("\r"));
    QCOMPARE(rig.boxes().texts(), QStringList{RangeMessage});
    QCOMPARE(cell(window, 9, 3), QString());
    QCOMPARE(current(window), qMakePair(9, 3));

    type(window, QStringLiteral("250"));
    rig.boxes().answer(QMessageBox::Ok);
    type(window, QStringLiteral("-"));
    QCOMPARE(rig.boxes().seen().last().text, QStringLiteral("Sorry.Only numbers 0 - 9 allowed"));
    QCOMPARE(rig.boxes().seen().last().title, QStringLiteral("ERROR"));
    QCOMPARE(cell(window, 9, 3), QStringLiteral("250"));
    type(window, QStringLiteral("\b"));
    QCOMPARE(cell(window, 9, 3), QString());
    QVERIFY(rig.boxes().allExpected());
}

void MultiPlayTest::enterValidatesAndMoves()
{
    PanelRig rig;
    MultiPlay &window = shownWindow(rig);

    // An empty Tone cell passes; empty Duration and Space do not.
    type(window, QStringLiteral("\r"));
    QCOMPARE(current(window), qMakePair(1, 2));
    rig.boxes().answer(QMessageBox::Ok);
    type(window, QStringLiteral("\r"));
    QCOMPARE(rig.boxes().texts(), QStringList{RangeMessage});
    QCOMPARE(current(window), qMakePair(1, 2));
    rig.boxes().answer(QMessageBox::Ok);
    type(window, QStringLiteral("19\r"));
    QCOMPARE(rig.boxes().seen().size(), 2);
    QCOMPARE(cell(window, 1, 2), QString());
    QCOMPARE(current(window), qMakePair(1, 2));
    type(window, QStringLiteral("20\r"));
    QCOMPARE(current(window), qMakePair(1, 3));
    QCOMPARE(window.column, qint16(3));
    rig.boxes().answer(QMessageBox::Ok);
    type(window, QStringLiteral("\r"));
    QCOMPARE(rig.boxes().seen().size(), 3);
    QCOMPARE(current(window), qMakePair(1, 3));
    type(window, QStringLiteral("65535\r"));
    QCOMPARE(current(window), qMakePair(2, 1));
    QCOMPARE(window.row, qint16(2));

    // A cell filled from outside is checked too: above 65535 in any column.
    window.setTextMatrix(2, 1, QStringLiteral("70000"));
    rig.boxes().answer(QMessageBox::Ok);
    type(window, QStringLiteral("\r"));
    QCOMPARE(rig.boxes().seen().size(), 4);
    QCOMPARE(cell(window, 2, 1), QString());
    QCOMPARE(current(window), qMakePair(2, 1));

    // The Space cell of row 20 wraps to row 1, Tone; the cells keep their text.
    window.setCurrentCell(20, 3);
    type(window, QStringLiteral("50\r"));
    QCOMPARE(current(window), qMakePair(1, 1));
    QCOMPARE(cell(window, 20, 3), QStringLiteral("50"));
    QCOMPARE(cell(window, 1, 2), QStringLiteral("20"));
    QCOMPARE(cell(window, 1, 3), QStringLiteral("65535"));
    QVERIFY(rig.boxes().allExpected());
}

void MultiPlayTest::keysReachTheListWhicheverControlHasFocus()
{
    PanelRig rig;
    MultiPlay &window = shownWindow(rig);
    window.activateWindow();
    QCOMPARE(window.focusWidget(), window.Send);
    type(window, QStringLiteral("5\r100\r"));
    window.Clear->setFocus();
    type(window, QStringLiteral("50\r"));
    window.ToneGrid->setFocus();
    type(window, QStringLiteral("c"));
    QCOMPARE(cell(window, 1, 1), QStringLiteral("5"));
    QCOMPARE(cell(window, 1, 2), QStringLiteral("100"));
    QCOMPARE(cell(window, 1, 3), QStringLiteral("50"));
    QCOMPARE(cell(window, 2, 1), QStringLiteral("c"));

    // The grid itself neither edits nor searches: a symbol typed on it does not
    // move the current cell to another cell beginning with that symbol.
    window.setTextMatrix(5, 1, QStringLiteral("7"));
    type(window, QStringLiteral("7"));
    QCOMPARE(current(window), qMakePair(2, 1));
    QCOMPARE(cell(window, 2, 1), QStringLiteral("7"));
    // Arrow keys move the current cell and `row`/`column` follow it.
    QTest::keyClick(window.windowHandle(), Qt::Key_Down);
    QCOMPARE(current(window), qMakePair(3, 1));
    QCOMPARE(window.row, qint16(3));
    type(window, QStringLiteral("B"));
    QCOMPARE(cell(window, 3, 1), QStringLiteral("B"));
    QVERIFY(rig.boxes().seen().isEmpty());
}

void MultiPlayTest::clearFormEmptiesTheListOnly()
{
    PanelRig rig;
    MultiPlay &window = shownWindow(rig);
    window.setTextMatrix(1, 1, QStringLiteral("5"));
    window.setTextMatrix(20, 3, QStringLiteral("30"));
    window.setCurrentCell(12, 2);
    window.Clear->click();
    QCOMPARE(cell(window, 1, 1), QString());
    QCOMPARE(cell(window, 20, 3), QString());
    QCOMPARE(cell(window, 0, 3), QStringLiteral("Space"));
    QCOMPARE(cell(window, 12, 0), QStringLiteral(" 12"));
    QCOMPARE(current(window), qMakePair(12, 2));
    QCOMPARE(window.Tag, QStringLiteral("-1"));
    QVERIFY(window.isVisible());
    QVERIFY(rig.boxes().seen().isEmpty());
}

void MultiPlayTest::ownClockStopsAtItsLimit()
{
    PanelRig rig;
    rig.addDevice(1);
    Zelvo &panel = rig.start();
    MultiPlay &window = *panel.multiPlay();
    QVERIFY(window.Timer2->isActive());
    QCOMPARE(window.Timer2->interval(), panel.tickMs());
    window.timerVal = 5;
    window.Timer2_Timer();
    QCOMPARE(window.timerVal, 6);
    window.timerVal = std::numeric_limits<qint32>::max();
    window.Timer2_Timer();
    QCOMPARE(window.timerVal, std::numeric_limits<qint32>::max());
    // A pause starts its own count from 0 and leaves the main window's alone.
    panel.timerVal = 3;
    window.Pause(2);
    QCOMPARE(window.timerVal, 2);
    window.Pause(-1);
    QCOMPARE(window.timerVal, 0);
    QVERIFY(panel.timerVal != 0);
}

QTEST_MAIN(MultiPlayTest)
#include "tst_multiplay.moc"
