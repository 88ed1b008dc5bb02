// What a screen reader and a keyboard-only user get: the windows' roles and
// titles, the labels that show changing values, and keyboard focus for every
// control.

#include "app/defprompt.h"
#include "app/statusbox.h"
#include "files/fileio.h"
#include "play/memorymode.h"
#include "play/multiplay.h"
#include "play/singlemode.h"
#include "support/panelrig.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

QAccessibleInterface *accessible(QObject *object)
{
    return QAccessible::queryAccessibleInterface(object);
}

} // namespace

class AccessTest : public QObject
{
    Q_OBJECT

private slots:
    void windowsAreWindowsWithTheirTitles();
    void changingValuesAreRead();
};

void AccessTest::windowsAreWindowsWithTheirTitles()
{
    PanelRig rig;
    Zelvo &panel = rig.panel();
    MemoryMode memory(&panel);
    SingleMode single(&panel);
    const QList<std::pair<QWidget *, QAccessible::Role>> windows{
        {&panel, QAccessible::Window},
        {panel.multiPlay(), QAccessible::Window},
        {panel.defPrompt(), QAccessible::Dialog},
        {panel.fileIO(), QAccessible::Dialog},
        {&memory, QAccessible::Dialog},
        {&single, QAccessible::Dialog}};
    for (const auto &[window, role] : windows) {
        QAccessibleInterface *face = accessible(window);
        QVERIFY(face);
        QCOMPARE(face->role(), role);
        QCOMPARE(face->text(QAccessible::Name), window->windowTitle());
        // Every control can be reached with Tab and worked from the keyboard.
        for (QWidget *control : window->findChildren<QWidget *>()) {
            const bool operable = qobject_cast<QAbstractButton *>(control) ||
                                  qobject_cast<QLineEdit *>(control) ||
                                  control == static_cast<QWidget *>(panel.StatusBox);
            if (operable && control->window() == window && control->isVisibleTo(window) &&
                control->isEnabledTo(window))
                QVERIFY2(control->focusPolicy() & Qt::TabFocus,
                         qPrintable(window->windowTitle() + QLatin1Char(' ') +
                                    QLatin1String(control->metaObject()->className())));
        }
    }
}

void AccessTest::changingValuesAreRead()
{
    PanelRig rig;
    rig.addDevice(1);
    Zelvo &panel = rig.start();
    QVERIFY(panel.Firmware->text().contains(QLatin1String("Zelvor 2.1")));
    QCOMPARE(accessible(panel.Firmware)->text(QAccessible::Name), panel.Firmware->text());

    panel.defPrompt()->setText(QStringLiteral("Reading Current Settings"));
    auto *label = panel.defPrompt()->findChild<QLabel *>();
    QCOMPARE(accessible(label)->text(QAccessible::Name),
             QStringLiteral("Reading Current Settings"));

    panel.fileIO()->IOLable->setText(QStringLiteral("Enter Filename to load..."));
    QCOMPARE(accessible(panel.fileIO()->IOLable)->text(QAccessible::Name),
             QStringLiteral("Enter Filename to load..."));

    QAccessibleInterface *status = accessible(panel.StatusBox);
    QCOMPARE(status->text(QAccessible::Name), QStringLiteral("Status"));
    QCOMPARE(status->text(QAccessible::Value), panel.StatusBox->text());
}

QTEST_MAIN(AccessTest)
#include "tst_access.moc"
