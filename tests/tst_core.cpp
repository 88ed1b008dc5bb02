// SPDX-License-Identifier: GPL-3.0-or-later
// The core's readers of outside text, headless: the numeric value of what the
// user typed, the device's answer to "show location d", the configuration
// file and the keyboard's keys. No window system is needed, nor linked.

#include "core/errors.h"
#include "core/text.h"
#include "files/configformat.h"
#include "play/keyrules.h"
#include "settings/locationreply.h"
#include "support/textrows.h"

#include <QBuffer>

class TstCore : public QObject
{
    Q_OBJECT

private slots:
    void numericValue_data()
    {
        addRows("20=20;65535=65535;-3=-3;+25=25;+-5=0;19.5=19.5;.5=0.5;2E1=20;6553.5d+1=65535;7e=7;"
                "1e-1=0.1;6 5\t5\n3 4=65534;65\r535=65;&HFFFF=65535;&h14g=20;&O177776=65534;"
                "&o248=20;&H=0;&X1=0;-&H10=0;300ms=300;65,535=65;x20=0;=0",
                u';', u'='); // text=value
    }
    void numericValue()
    {
        QFETCH(QStringList, cells);
        QCOMPARE(::numericValue(QTest::currentDataTag()), cells[0].toDouble());
    }

    // reply ("|" for CR LF) ; location ; length/space/tones
    void locationReply_data()
    {
        QTest::addColumn<QStringList>("cells");
        const char *rows =
            R"(|Location 6|Length = 20 ms|Space = 65534ms|String = |View ended| ; 6 ; 20/65534/
|Location 7|Length = 5 ms|Space = 6ms|String =  ; 7 ; 5/6/
|Location 0|Length = 1 ms|Space = 2ms|String = 3456|View ended ; 0 ; 1/2/34
|Location 0|Length = 1 ms|Space = 2ms|String = 3456|View en ; 0 ; 1/2/<fails>
xLength =  42 msSpace = 7 msString = ## ; 7 ;  //##
ABCDEFGH100abcdeSpace = 250wxyzString = 7 ; 7 ; 100/250/7
xLength = 100abcdeSpace = 250wxyz ; 0 ; 100/<fails>/= 100abcdeS
length = 9Length = 100abcdeSpace = 250wxyzString = 1String = 2 ; 7 ; 100/250/1String = 2
String = 1Space = 2Length = 3 ; 7 ; <fails>/<fails>/1Space = 2Length = 3
 ; 0 ; <fails>/<fails>/<fails>)";
        for (const QString &row : QString::fromLatin1(rows).split(u'\n'))
            QTest::newRow(qPrintable(row)) << QString(row).replace(u'|', "\r\n").split(" ; ");
    }
    void locationReply()
    {
        QFETCH(QStringList, cells);
        QStringList cut;
        for (int part = 0; part < 3; ++part) {
            try {
                cut << (part == 0   ? cutLength(cells[0])
                        : part == 1 ? cutSpace(cells[0])
                                    : cutTones(cells[0], cells[1].toInt()));
            } catch (const ReplyError &) {
                cut << "<fails>";
            }
        }
        QCOMPARE(cut.join(u'/'), cells[2]);
    }

    void reading_data()
    {
        // bytes | the fields joined by "/" (the first ones only, before $), or the failure;
        // $ stands for 28 empty lines, # for 27 lines of "x,y,z" (the fields x/y/z each).
        addRows(R"(
            CR LF, LF, CR             | a\r\nb\nc\rd,e$          | a/b/c/d/e/
            LF CR is two line ends    | a\n\rb$                  | a//b/
            empty line is one field   | a,b,c\r\n\r\nd$          | a/b/c//d/
            blanks skipped before     | \s\sa\s,\tb\t,\sc$       | a\s/b\t/c/
            quotes                    | "a,b","x\r\ny"\s,"\s"$   | a,b/x\r\ny/\s/
            junk after a quote        | "a"junk,"b""c",d$        | a/b/d/
            quote inside              | a"b,c$                   | a"b/c/
            longest, CR LF split      | ~\r\nb$                  | ~/b/
            too long, quoted          | "~x"                     | A setting in the file is longer than 65,535 characters
            last line without end     | #a,b,c                   | #a/b/c
            comma promises a field    | #a,b,                    | #a/b/
            one field short           | #a,b\r\n\s\t             | The file ends before all 84 settings were read)");
    }
    void reading()
    {
        QFETCH(QStringList, cells);
        const bool firstFields = cells[0].endsWith(u'$');
        QByteArray data = unescape(cells[0]
                                       .replace(u'$', QString(",,\\r\\n").repeated(28))
                                       .replace(u'#', QString("x,y,z\\r\\n").repeated(27)))
                              .toLatin1();
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QString read;
        try {
            read = configfile::decode(buffer).join(u'/');
        } catch (const FileError &error) {
            read = error.description();
        }
        const QString want = unescape(cells[1].replace(u'#', QString("x/y/z/").repeated(27)));
        QCOMPARE(firstFields ? read.left(want.size()) : read, want);
    }

    void keys_data()
    {
        // platform key (Esc or a character) modifiers (s Shift, c Ctrl, k the
        // numeric pad) native scan code and virtual key | what a key-down plays
        addRows(R"(
            Shift+3 by its keycode      | xcb # s 12 0       | #
            a German keyboard's #       | xcb # - 51 0       | -
            Ctrl+Shift+3                | wayland # sc 12 0  | 3
            Shift+8, Shift+0            | offscreen *,) s 17,19 0 | *,0
            no native data: as on a US keyboard | minimal #,*,^ s 0 0 | #,*,6
            a virtual key               | windows # s 0 51   | #
            the pad's 0, 9 and *        | xcb 0,9,* k 0 0    | 0,9,-
            letters                     | xcb A,D,E - 0 0    | A,D,-
            Esc                         | xcb Esc - 0 0      | esc)");
    }
    void keys()
    {
        QFETCH(QStringList, cells);
        const QStringList in = cells[0].split(u' ');
        QStringList played;
        for (const QString &key : in[1].split(u',')) {
            Qt::KeyboardModifiers mods;
            mods.setFlag(Qt::ShiftModifier, in[2].contains(u's'));
            mods.setFlag(Qt::ControlModifier, in[2].contains(u'c'));
            mods.setFlag(Qt::KeypadModifier, in[2].contains(u'k'));
            const QString scan = in[3].section(u',', played.size(), played.size());
            const keyrules::KeyEvent event{key == "Esc" ? int(Qt::Key_Escape) : key[0].unicode(),
                                           mods, (scan.isEmpty() ? in[3] : scan).toUInt(),
                                           in[4].toUInt()};
            const keyrules::KeyDown down = keyrules::classifyKeyDown(
                keyrules::virtualKeyCode(keyrules::nativeKeysOf(in[0]), event),
                keyrules::shiftMask(mods));
            played << (down.escape ? "esc" : down.tone ? QString(QChar(down.keyCode)) : "-");
        }
        QCOMPARE(played.join(u','), cells[1]);
    }
};

QTEST_GUILESS_MAIN(TstCore)
#include "tst_core.moc"
