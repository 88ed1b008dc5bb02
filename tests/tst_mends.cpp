// Faults found in review (Esc never sends a tone, every Abort ends a "Ready"
// poll, pastes and drops respect the fields and tell a drop's source what they
// took, a long write at the line's speed), and what a screen reader gets:
// every window, control and menu item by role and name, labels by value, the
// ports read and picked through their items.

#include "app/defprompt.h"
#include "widgets/statusbox.h"
#include "files/configtransfer.h"
#include "play/keypad.h"
#include "play/memorymode.h"
#include "play/multiplay.h"
#include "play/playpanel.h"
#include "play/singlemode.h"
#include "support/panelrig.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <functional>

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
            panel.handle([&] { panel.keypad()->Form_KeyDown(five, 0); });
            panel.handle([&] { panel.keypad()->Form_KeyUp(five, 0); });
        });
        panel.handle([&] { panel.keypad()->Form_KeyDown(esc, 0); });
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
                panel.plays()->memoryMode()->Location->setText(QStringLiteral("3"));
                panel.plays()->memoryMode()->MemOK->click();
            });
            panel.plays()->Memory->click();
        });
        int second = -1; // the tick of the second Abort
        rig.setTickHook([&] {
            if (second < 0 && rig.wire(1).endsWith("3\r\n")) {
                second = rig.ticks();
                QVERIFY(!panel.plays()->Memory->isEnabled()); // no second memory play meanwhile
                QTimer::singleShot(0, panel.plays()->Abort, &QPushButton::click);
            } else if (second >= 0 && rig.ticks() > second + 5000) { // the poll never ended
                QTimer::singleShot(0, &panel,
                                   [&] { panel.handle([&] { panel.Form_Terminate(); }); });
            }
        });
        panel.plays()->Abort->click();
        QCOMPARE(rig.endings(), 0);
        QVERIFY(panel.plays()->Memory->isEnabled());
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
        QLineEdit *field = location ? dialog.Location : rig.panel().settings().Length[0];
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

    void longLengthAtTheLineRate()
    {
        // A length the program took whole (as from a file) is in range, so it
        // goes out as it stands: whole, to a line at 9600 baud.
        PanelRig rig;
        zsim::Options options = PanelRig::unpaced();
        options.lineRate = 9600;
        zsim::SimulatedDevice &device = rig.addDevice(1, options);
        Zelvo &panel = rig.start();
        const QString length = QString(2497, u'0') + QStringLiteral("100");
        panel.settings().Length[2]->setText(length);
        panel.settings().Update[2]->setChecked(true);
        rig.boxes().answer(QMessageBox::Yes);
        panel.settings().Commit->click();
        QVERIFY(rig.wire(1).contains("S2\r\n" + length.toLatin1() + ",60\r\n5551234."));
        QCOMPARE(rig.boxes().texts(), QStringList{QStringLiteral("Save Changes to Memory?")});
        QVERIFY(device.memory()[2] == (zsim::Location{"5551234", 100, 60}));
    }

    void everyControlAndMenuItemForScreenReaders()
    {
        PanelRig rig;
        for (int port : {1, 3, 4})
            rig.addDevice(port);
        Zelvo &panel = rig.start();
        MemoryMode memory(&panel);
        SingleMode single(&panel);
        panel.defPrompt()->setText(QStringLiteral("Reading Current Settings"));
        panel.files().fileIO()->IOLable->setText(QStringLiteral("Enter Filename to load..."));
        // What a screen reader reaches from each window down, by object.
        QHash<QObject *, QAccessibleInterface *> found;
        const std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *node) {
            if (node->object())
                found.insert(node->object(), node);
            for (int i = 0; i < node->childCount(); ++i)
                walk(node->child(i));
        };
        const QList<std::tuple<QWidget *, const char *, QAccessible::Role>> windows{
            {&panel, "The Zelvor", QAccessible::Window},
            {panel.multiPlay(), "Multi Play ", QAccessible::Window},
            {panel.defPrompt(), "Status", QAccessible::Dialog},
            {panel.files().fileIO(), "File I/O", QAccessible::Dialog},
            {&memory, "MemoryPlay", QAccessible::Dialog},
            {&single, "Timed Play", QAccessible::Dialog}};
        // Every control a user meets (what takes the focus, every label with a
        // text; not the parts of a list or a text box) is found with a role of
        // its own and a name, a label by what it shows.
        const PortMenu &menu = panel.portMenu();
        QObjectList controls{menu.COMSelect};
        for (QAction *item : menu.COMSelect->actions()) {
            if (!item->isSeparator())
                controls << item;
        }
        for (const auto &[window, caption, role] : windows) {
            walk(QAccessible::queryAccessibleInterface(window));
            QCOMPARE(found.value(window)->role(), role);
            QCOMPARE(found.value(window)->text(QAccessible::Name), QString::fromLatin1(caption));
            for (QWidget *control : window->findChildren<QWidget *>()) {
                auto *label = qobject_cast<QLabel *>(control);
                bool met =
                    control->window() == window && control->isVisibleTo(window) &&
                    (label ? !label->text().isEmpty() : control->focusPolicy() != Qt::NoFocus);
                for (QWidget *up = control->parentWidget(); met && up != window;
                     up = up->parentWidget())
                    met = !qobject_cast<QAbstractScrollArea *>(up);
                if (met)
                    controls << control;
            }
        }
        const QList<QAccessible::Role> bare{QAccessible::NoRole, QAccessible::Client,
                                            QAccessible::Window, QAccessible::Dialog};
        for (QObject *control : controls) {
            QAccessibleInterface *node = found.value(control);
            QVERIFY2(node && !bare.contains(node->role()) &&
                         !node->text(QAccessible::Name).isEmpty(),
                     control->metaObject()->className());
            if (auto *label = qobject_cast<QLabel *>(control))
                QCOMPARE(node->text(QAccessible::Name), label->text());
        }
        QStringList names;
        for (QObject *control :
             QObjectList{menu.COMSelect, menu.COM1, menu.COM4, panel.settings().MemString[3], panel.settings().Length[0],
                         panel.settings().Space[7], panel.settings().Update[2], panel.StatusBox, memory.Location,
                         single.Tone, single.Duration, panel.files().fileIO()->Fname, panel.files().fileIO()->Dir1,
                         panel.files().fileIO()->File1, panel.multiPlay()->ToneGrid})
            names << found.value(control)->text(QAccessible::Name);
        QCOMPARE(names.join(u','),
                 QStringLiteral("COM Port Select,COM1,COM4,String 3,Length 0,Space 7,Update 2,"
                                "Status,Location,Tone,Duration,File Name,Directories,Files,"
                                "Tone list"));
        QVERIFY(panel.settings().Firmware->text().contains(QLatin1String("Zelvor 2.1")));
        // The ports are read with their check marks and picked by the press
        // action; COM2 has no device, so picking it keeps the port before.
        const auto marked = [&] {
            QString ports;
            for (int n = 1; n <= 4; ++n) {
                if (found.value(menu.comItem(n))->state().checked)
                    ports += QString::number(n);
            }
            return ports;
        };
        QStringList checked{marked()};
        rig.boxes().answer(QMessageBox::Yes);
        for (int port : {3, 4, 2, 1}) {
            QAccessibleInterface *item = found.value(menu.comItem(port));
            item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            checked << marked();
        }
        QCOMPARE(checked, (QStringList{"1", "3", "4", "4", "1"}));
        // The path behind each port shows in the menu, with why it cannot be used.
        QVERIFY(menu.COMSelect->toolTipsVisible());
        QCOMPARE(menu.COM1->toolTip(), QString::fromStdString(rig.device(1).portPath()));
        QCOMPARE(menu.COM2->toolTip(), rig.missingPath(2) + QStringLiteral(" (does not exist)"));
    }
};

QTEST_MAIN(MendsTest)
#include "tst_mends.moc"
