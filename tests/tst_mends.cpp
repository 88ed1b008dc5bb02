// Faults found in review (Esc never sends a tone, every Abort ends a "Ready"
// poll, pastes and drops respect the fields and tell a drop's source what they
// took),
// and what a screen reader gets: windows by role and title, labels by value.

#include "app/defprompt.h"
#include "app/statusbox.h"
#include "files/fileio.h"
#include "play/memorymode.h"
#include "play/multiplay.h"
#include "play/singlemode.h"
#include "support/panelrig.h"

#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

class MendsTest : public QObject
{
    Q_OBJECT

private slots:
    void escNeverSendsATone()
    {
        PanelRig rig;
        rig.addDevice(1);
        Zelvo &panel = rig.start();
        int esc = 27, five = '5';
        QTimer::singleShot(0, &panel, [&] { // a tone key tapped inside Esc's Abort
            panel.handle([&] { panel.Form_KeyDown(five, 0); });
            panel.handle([&] { panel.Form_KeyUp(five, 0); });
        });
        panel.handle([&] { panel.Form_KeyDown(esc, 0); });
        QCOMPARE(rig.wire(1), QByteArray("\r\n%5%%"));
    }

    void abortInsideAbortEndsTheReadyPoll()
    {
        PanelRig rig;
        zsim::Faults neverReady;
        neverReady.neverReady = true;
        rig.addDevice(1).setFaults(neverReady);
        Zelvo &panel = rig.start();
        // A memory play started inside an Abort's wait; a second Abort in its poll.
        QTimer::singleShot(0, &panel, [&] {
            QTimer::singleShot(0, &panel, [&] {
                panel.memoryMode()->Location->setText(QStringLiteral("3"));
                panel.memoryMode()->MemOK->click();
            });
            panel.Memory->click();
        });
        int second = -1; // the tick of the second Abort
        rig.setTickHook([&] {
            if (second < 0 && rig.wire(1).endsWith("3\r\n")) {
                second = rig.ticks();
                QVERIFY(!panel.Memory->isEnabled()); // no second memory play meanwhile
                QTimer::singleShot(0, panel.Abort, &QPushButton::click);
            } else if (second >= 0 && rig.ticks() > second + 5000) { // the poll never ended
                QTimer::singleShot(0, &panel,
                                   [&] { panel.handle([&] { panel.Form_Terminate(); }); });
            }
        });
        panel.Abort->click();
        QCOMPARE(rig.endings(), 0);
        QVERIFY(panel.Memory->isEnabled());
    }

    void paste_data()
    {
        // Into the location field (0 to 7, eight at most; else refused with a
        // notice) or a settings field that takes five typed characters; by
        // Ctrl+V, or by a move-drag from elsewhere, whose source is told what
        // to do with its text: keep it (ignored, or copied when taken in part)
        // or delete it (moved).
        QTest::addColumn<bool>("location");
        QTest::addColumn<QStringList>("beforePastedAfter");
        QTest::addColumn<int>("dropReported"); // -1: a paste
        QTest::newRow("location 8 refused") << true << QStringList{"1", "8", "1"} << -1;
        QTest::newRow("location, the rest cut")
            << true << QStringList{"1", "234567012", "12345670"} << -1;
        QTest::newRow("length, the rest cut") << false << QStringList{"12", "34567", "12345"} << -1;
        QTest::newRow("length, longer text kept")
            << false << QStringList{"1234567", "8", "1234567"} << -1;
        QTest::newRow("location 8 dropped: ignored")
            << true << QStringList{"1", "8", "1"} << int(Qt::IgnoreAction);
        QTest::newRow("location dropped, the rest cut: copied")
            << true << QStringList{"1", "234567012", "12345670"} << int(Qt::CopyAction);
        QTest::newRow("location 5 dropped: moved")
            << true << QStringList{"1", "5", "15"} << int(Qt::MoveAction);
        QTest::newRow("length dropped, the rest cut: copied")
            << false << QStringList{"12", "34567", "12345"} << int(Qt::CopyAction);
    }

    void paste()
    {
        QFETCH(bool, location);
        QFETCH(QStringList, beforePastedAfter);
        QFETCH(int, dropReported);
        const bool refused = location && beforePastedAfter[0] == beforePastedAfter[2];
        PanelRig rig;
        MemoryMode dialog(&rig.panel());
        QLineEdit *field = location ? dialog.Location : rig.panel().Length[0];
        field->setText(beforePastedAfter[0]);
        if (dropReported < 0) {
            QGuiApplication::clipboard()->setText(beforePastedAfter[1]);
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        } else {
            QMimeData text;
            text.setText(beforePastedAfter[1]);
            const QPointF end(field->width() - 1, 1);
            const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
            QDragEnterEvent enter(end.toPoint(), offered, &text, Qt::LeftButton, Qt::ShiftModifier);
            QCoreApplication::sendEvent(field, &enter); // the drop goes where the drag entered
            QDropEvent drop(end, offered, &text, Qt::LeftButton, Qt::ShiftModifier);
            QVERIFY(drop.proposedAction() == Qt::MoveAction); // Shift: a move
            QCoreApplication::sendEvent(field, &drop);
            QCOMPARE(drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction,
                     Qt::DropAction(dropReported));
        }
        QCoreApplication::processEvents();
        QCOMPARE(field->text(), beforePastedAfter[2]);
        QCOMPARE(rig.boxes().texts(),
                 refused ? QStringList{MemoryMode::refusedNotice()} : QStringList());
    }

    void windowsAndLabelsForScreenReaders()
    {
        PanelRig rig;
        rig.addDevice(1);
        Zelvo &panel = rig.start();
        MemoryMode memory(&panel);
        SingleMode single(&panel);
        const auto reader = [](QObject *object) {
            return QAccessible::queryAccessibleInterface(object);
        };
        const QList<std::pair<QWidget *, const char *>> captions{
            {&panel, "The Zelvor"},        {panel.multiPlay(), "Multi Play "},
            {panel.defPrompt(), "Status"}, {panel.fileIO(), "File I/O"},
            {&memory, "MemoryPlay"},       {&single, "Timed Play"}};
        for (const auto &[window, caption] : captions) {
            const bool main = window == &panel || window == panel.multiPlay();
            QCOMPARE(reader(window)->role(), main ? QAccessible::Window : QAccessible::Dialog);
            QCOMPARE(reader(window)->text(QAccessible::Name), QString::fromLatin1(caption));
        }
        // Every control is found by its name (a combo box, such as the chooser's
        // drive list, is read by its value on this platform).
        const QList<std::pair<QWidget *, const char *>> named{
            {panel.MemString[3], "String 3"},
            {panel.Length[0], "Length 0"},
            {panel.Space[7], "Space 7"},
            {panel.Update[2], "Update 2"},
            {panel.StatusBox, "Status"},
            {memory.Location, "Location"},
            {single.Tone, "Tone"},
            {single.Duration, "Duration"},
            {panel.fileIO()->Fname, "File Name"},

            {panel.fileIO()->Dir1, "Directories"},
            {panel.fileIO()->File1, "Files"},
            {panel.multiPlay()->ToneGrid, "Tone list"}};
        for (const auto &[control, name] : named)
            QCOMPARE(reader(control)->text(QAccessible::Name), QString::fromLatin1(name));
        // Labels whose text changes are read by what they show.
        QVERIFY(panel.Firmware->text().contains(QLatin1String("Zelvor 2.1")));
        panel.defPrompt()->setText(QStringLiteral("Reading Current Settings"));
        panel.fileIO()->IOLable->setText(QStringLiteral("Enter Filename to load..."));
        for (QLabel *label :
             {panel.Firmware, panel.defPrompt()->findChild<QLabel *>(), panel.fileIO()->IOLable})
            QCOMPARE(reader(label)->text(QAccessible::Name), label->text());
        // The path behind each port shows in the menu, with why it cannot be used.
        QVERIFY(panel.COMSelect->toolTipsVisible());
        QCOMPARE(panel.COM1->toolTip(), QString::fromStdString(rig.device(1).portPath()));
        QCOMPARE(panel.COM2->toolTip(), rig.missingPath(2) + QStringLiteral(" (does not exist)"));
    }
};

QTEST_MAIN(MendsTest)
#include "tst_mends.moc"
