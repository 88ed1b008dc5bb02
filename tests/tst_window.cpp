// SPDX-License-Identifier: GPL-3.0-or-later
// What the windows offer across their parts: pastes and drops into the fields
// (which tell a drop's source what they took), and what a screen reader gets:
// every window, control and menu item by role and name, labels by value, and
// the path behind each port.

#include "app/defprompt.h"
#include "files/configtransfer.h"
#include "link/portpathsdialog.h"
#include "play/memorymode.h"
#include "play/multiplay.h"
#include "play/singlemode.h"
#include "support/operationrows.h"
#include "widgets/statusbox.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTableWidget>

namespace {

constexpr int Pasted = -1; // by Ctrl+V, not dropped

// Into the location field (0 to 7, eight at most; else refused with a notice)
// or a settings field that takes five typed characters; by Ctrl+V, or by a
// Shift move-drag from elsewhere, whose source is told what to do with its
// text: keep it (ignored, or copied when taken in part) or delete it (moved).
struct Paste
{
    const char *name;
    bool location; // the location field, else the first length field
    const char *before, *pasted, *after;
    int told; // Pasted, or the drop action the source is told
};

const Paste pastes[] = {
    {"location 8 refused", true, "1", "8", "1", Pasted},
    {"location, the rest cut", true, "1", "234567012", "12345670", Pasted},
    {"length, the rest cut", false, "12", "34567", "12345", Pasted},
    {"length, longer text kept", false, "1234567", "8", "1234567", Pasted},
    {"location 8 dropped: ignored", true, "1", "8", "1", Qt::IgnoreAction},
    {"location dropped, the rest cut: copied", true, "1", "234567012", "12345670", Qt::CopyAction},
    {"location 5 dropped: moved", true, "1", "5", "15", Qt::MoveAction},
    {"length dropped, the rest cut: copied", false, "12", "34567", "12345", Qt::CopyAction},
};

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT

private slots:
    void paste_data() { indexRows(pastes); }
    void paste()
    {
        QFETCH(int, row);
        const Paste &p = pastes[row];
        PanelRig rig;
        MemoryMode dialog(&rig.panel());
        QLineEdit *field = p.location ? dialog.Location : rig.panel().settings().Length[0];
        field->setText(p.before);
        QMimeData text;
        text.setText(p.pasted);
        if (p.told == Pasted) {
            QGuiApplication::clipboard()->setText(p.pasted);
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        } else {
            const QPointF end(field->width() - 1, 1);
            const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
            QDragEnterEvent enter(end.toPoint(), offered, &text, Qt::LeftButton, Qt::ShiftModifier);
            QCoreApplication::sendEvent(field, &enter); // the drop goes where the drag entered
            QDropEvent drop(end, offered, &text, Qt::LeftButton, Qt::ShiftModifier);
            QCoreApplication::sendEvent(field, &drop);
            QCOMPARE(drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction,
                     Qt::DropAction(p.told));
        }
        QCoreApplication::processEvents();
        QCOMPARE(field->text(), p.after);
        const bool refused = p.location && QByteArray(p.before) == p.after;
        QCOMPARE(rig.boxes().texts(),
                 refused ? QStringList{MemoryMode::refusedNotice()} : QStringList());
    }

    void everyControlAndMenuItemForScreenReaders()
    {
        PanelRig rig;
        rig.addDevice(1);
        Zelvo &panel = rig.start();
        MemoryMode memory(&panel);
        SingleMode single(&panel);
        PortPathsDialog paths({}, {}, &panel);
        FileIO &io = *panel.files().fileIO();
        panel.defPrompt()->setText(QStringLiteral("Reading Current Settings"));
        io.IOLable->setText(QStringLiteral("Enter Filename to load..."));
        // What a screen reader reaches from each window down, by object.
        QHash<QObject *, QAccessibleInterface *> found;
        const std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *node) {
            if (node->object())
                found.insert(node->object(), node);
            for (int i = 0; i < node->childCount(); ++i)
                walk(node->child(i));
        };
        struct Window
        {
            QWidget *widget;
            const char *caption;
            QAccessible::Role role;
        };
        const Window windows[] = {{&panel, "The Zelvor", QAccessible::Window},
                                  {panel.multiPlay(), "Multi Play ", QAccessible::Window},
                                  {panel.defPrompt(), "Status", QAccessible::Dialog},
                                  {&io, "File I/O", QAccessible::Dialog},
                                  {&memory, "MemoryPlay", QAccessible::Dialog},
                                  {&single, "Timed Play", QAccessible::Dialog},
                                  {&paths, "Port Paths", QAccessible::Dialog}};
        // Every control a user meets (what takes the focus, every label with a
        // text; not the parts of a list, a text box or a combo box) is found with a role of
        // its own and a name, a label by what it shows.
        const PortMenu &menu = panel.portMenu();
        QObjectList controls{menu.COMSelect};
        for (QAction *item : menu.COMSelect->actions()) {
            if (!item->isSeparator())
                controls << item;
        }
        for (const Window &window : windows) {
            walk(QAccessible::queryAccessibleInterface(window.widget));
            QCOMPARE(found.value(window.widget)->role(), window.role);
            QCOMPARE(found.value(window.widget)->text(QAccessible::Name), window.caption);
            for (QWidget *control : window.widget->findChildren<QWidget *>()) {
                auto *label = qobject_cast<QLabel *>(control);
                bool met =
                    control->window() == window.widget && control->isVisibleTo(window.widget) &&
                    (label ? !label->text().isEmpty() : control->focusPolicy() != Qt::NoFocus);
                for (QWidget *up = control->parentWidget(); met && up != window.widget;
                     up = up->parentWidget())
                    met =
                        !qobject_cast<QAbstractScrollArea *>(up) && !qobject_cast<QComboBox *>(up);
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
        const SettingsPanel &settings = panel.settings();
        QStringList names;
        for (QObject *control : QObjectList{
                 menu.COMSelect, menu.COM1, menu.COM4, menu.PortPaths, settings.MemString[3],
                 settings.Length[0], settings.Space[7], settings.Update[2], panel.StatusBox,
                 memory.Location, single.Tone, single.Duration, io.Fname, io.Dir1, io.File1,
                 panel.multiPlay()->ToneGrid, paths.row(2)})
            names << found.value(control)->text(QAccessible::Name);
        QCOMPARE(names.join(u','),
                 QStringLiteral("COM Port Select,COM1,COM4,Port Paths...,String 3,Length 0,Space 7,"
                                "Update 2,Status,Location,Tone,Duration,File Name,Directories,"
                                "Files,Tone list,Automatic"));
        // A port's path box is read by its value, and named by its label.
        const auto labels = found.value(paths.row(2))->relations(QAccessible::Label);
        QVERIFY(labels.size() == 1 && labels[0].first->text(QAccessible::Name) == "COM2" &&
                paths.row(2)->accessibleName() == "COM2");
        // The path behind each port shows in the menu, with why it cannot be used.
        QVERIFY(menu.COMSelect->toolTipsVisible());
        QCOMPARE(menu.COM1->toolTip(), QString::fromStdString(rig.device(1).portPath()));
        QCOMPARE(menu.COM2->toolTip(), rig.missingPath(2) + QStringLiteral(" (does not exist)"));
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
