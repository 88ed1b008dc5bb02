// SPDX-License-Identifier: GPL-3.0-or-later
// The paths behind COM1 to COM4: the rule that picks them from the ports
// detected, "Port Paths..." and the saved paths, and what the user sees.

#include "link/mscomm.h"
#include "link/portpathsdialog.h"
#include "link/portpathstore.h"
#include "support/expected.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QPushButton>

namespace {

// "U0*" an adapter at U0, "id-a>U0*" with the stable name id-a, "S0" a UART.
DetectedPorts fed(const QString &list)
{
    DetectedPorts ports;
    for (QString token : list.split(' ', Qt::SkipEmptyParts)) {
        DetectedPort port;
        port.adapter = token.endsWith('*');
        token.remove('*');
        port.path = token.section('>', -1);
        port.stableName = token.contains('>') ? token.section('>', 0, 0) : QString();
        ports << port;
    }
    return ports;
}

// "2=U1 3=x": paths of COM2 and COM3.
PortMap paths(const QString &list)
{
    PortMap map;
    for (const QString &token : list.split(' ', Qt::SkipEmptyParts))
        map.setPath(token.left(1).toInt(), token.mid(2));
    return map;
}

QString saved(PanelRig &rig, int port)
{
    QString problem;
    return PortPathStore(rig.portPathsFile()).read(&problem).path(port);
}

struct RuleRow
{
    const char *given, *saved, *detected; // as paths() and fed() read them
    char platform;                        // its names: 'L' /dev/ttyS0 style as S0, 'W' COM1
    // The paths of COM1 to COM4 ('=' given, '+' saved, else automatic) | the ports left over.
    const char *expected;
};
struct UseRow
{
    char settings; // the settings file: '-' fine, 'r' unreadable, 'w' unwritable
    // Plug the device in and press Update ('u') or pick COM1 ('p'), or type its
    // path for COM2 in Port Paths and press OK ('t') or Cancel ('c').
    char act;
    // Per step (start, the act, a restart, a restart with the device's port given
    // elsewhere) the boxes ('N' no device, 'R' cannot read, 'W' cannot save) and
    // the ports afterwards.
    const char *expected;
};

} // namespace

class PortsTest : public QObject
{
    Q_OBJECT

private slots:
    void rule_data()
    {
        table<RuleRow>(
            {{"a machine with UARTs and an adapter", {"", "", "S0 S1 U0*", 'L', "S0 S1 U0 S3 |"}},
             {"two adapters, by stable name", {"", "", "id-b>A0* id-a>U0*", 'L', "U0 A0 S2 S3 |"}},
             {"no ports", {"", "", "", 'L', "S0 S1 S2 S3 |"}},
             {"a saved path that has gone", {"", "1=id-x", "U0*", 'L', "id-x+ U0 S2 S3 |"}},
             {"a slot given for the run", {"2=U1", "2=x", "U1* U0*", 'L', "U0 U1= S2 S3 |"}},
             {"a UART saved for another slot", {"", "2=S0", "S0 U0*", 'L', "U0 S0+ S2 S3 |"}},
             {"saved by stable name; ports left over",
              {"", "4=id-e", "S0 id-c>U2* id-a>U0* S5 id-e>U4* id-b>U1*", 'L',
               "S0 U0 U1 id-e+ | S5 id-c"}},
             {"Windows", {"", "", "COM3* COM7*", 'W', "COM7 COM2 COM3 COM4 |"}}});
    }
    void rule()
    {
        const auto [given, saved, detected, platform, expected] = fetch<RuleRow>();
        PortMap fixed;
        for (int n = 1; n <= 4; ++n)
            fixed.setPath(n, platform == 'W' ? QString("COM%1").arg(n) : QString("S%1").arg(n - 1));
        const ResolvedPorts resolved =
            resolvePorts(paths(given), paths(saved), fed(detected), fixed);
        QStringList got;
        for (const ResolvedPort &port : resolved.ports)
            got << port.path + (port.source == PortSource::Given   ? "="
                                : port.source == PortSource::Saved ? "+"
                                                                   : "");
        got << "|";
        for (const DetectedPort &port : resolved.unassigned)
            got << port.name();
        QCOMPARE(got.join(' '), QString(expected));
    }

    void use_data()
    {
        table<UseRow>({{"adapter plugged in after the start, found by Update",
                        {'-', 'u', "N - 0000 1; COM1 1000 1; COM1 1000 1; COM2 0100 2"}},
                       {"adapter plugged in after the start, picked from the menu",
                        {'-', 'p', "N - 0000 1; COM1 1000 1; COM1 1000 1; COM2 0100 2"}},
                       {"path typed for COM2: found after OK and at the next start",
                        {'-', 't', "N - 0000 1; COM2 0100 2; COM2 0100 2; N - 0000 1"}},
                       {"path typed for COM2, cancelled",
                        {'-', 'c', "N - 0000 1; - 0000 1; N - 0000 1; N - 0000 1"}},
                       {"settings that cannot be saved hold for the run",
                        {'w', 't', "N - 0000 1; W COM2 0100 2; N - 0000 1; N - 0000 1"}},
                       {"settings that cannot be read: one notice a run",
                        {'r', 't', "R N - 0000 1; W COM2 0100 2; R N - 0000 1; R N - 0000 1"}}});
    }
    void use()
    {
        const auto [settings, act, expected] = fetch<UseRow>();
        const bool plug = act == 'u' || act == 'p';
        const int port = plug ? 1 : 2;
        PanelRig rig;
        const QString device = QString::fromStdString(rig.addDevice(port).portPath());
        for (int n = 1; n <= 4; ++n)
            rig.setGiven(n, {}); // no options: every port saved or automatic
        if (settings == 'r')
            QVERIFY(QDir().mkpath(rig.portPathsFile()));
        if (settings == 'w') // a file where its folder would go
            QVERIFY(QFile(QFileInfo(rig.portPathsFile()).path().section('/', 0, -2))
                        .open(QIODevice::WriteOnly));
        const QString uart = rig.missingPath(4) + "-uart"; // a UART no slot stands for
        rig.detector().setPorts({{uart, {}, "16550A", false}});
        for (int i = 0; i < 12; ++i)
            rig.boxes().answer(QMessageBox::Yes); // go on without a device; OK to notices

        QStringList steps;
        qsizetype boxes = 0;
        const auto step = [&](Zelvo &panel) {
            QString text;
            for (; boxes < rig.boxes().seen().size(); ++boxes)
                text += rig.boxes().seen()[boxes].text.startsWith("Error!")   ? "N "
                        : rig.boxes().seen()[boxes].text.contains("saved in") ? "W "
                                                                              : "R ";
            steps << text + ports(panel);
        };
        Zelvo &panel = rig.start();
        step(panel);
        // Where no slot stands for a port, the details say so and where to assign it.
        QVERIFY(rig.boxes().seen().last().detailedText.endsWith(
            "\n\nDetected ports that no COM port stands for:\n" + uart +
            " - 16550A\nTo use one, choose it for a COM port in \"COM Port Select\", "
            "\"Port Paths...\"."));
        QCOMPARE(panel.portMenu().COM1->toolTip(),
                 rig.missingPath(1) + " (automatic) (does not exist)");

        if (plug) {
            rig.detector().setPorts({{device, {}, "Zelvor USB", true}});
            if (act == 'u')
                panel.settings().UpdateButton->click();
            else
                panel.portMenu().COM1->trigger();
            emit panel.portMenu().COMSelect->aboutToShow();
            QCOMPARE(panel.portMenu().COM1->toolTip(), device + " - Zelvor USB (automatic)");
        } else {
            QTimer::singleShot(0, &panel, [&] {
                auto *dialog = panel.findChild<PortPathsDialog *>();
                QCOMPARE(dialog->row(3)->itemText(1), uart + " - 16550A");
                dialog->row(2)->setEditText(" " + device + " ");
                dialog->row(3)->setCurrentIndex(1);
                (act == 't' ? dialog->OK : dialog->Cancel)->click();
            });
            panel.portMenu().PortPaths->trigger();
            QCOMPARE(saved(rig, 3), settings == '-' && act == 't' ? uart : QString());
        }
        step(panel);
        step(rig.restart());
        rig.setGiven(port, rig.missingPath(port)); // --comN OTHER, for this run only
        step(rig.restart());
        QCOMPARE(steps.join("; "), QString(expected));
        QCOMPARE(saved(rig, 2), settings == '-' && act == 't' ? device : QString());
    }
};

QTEST_MAIN(PortsTest)
#include "tst_ports.moc"
