// The two readers of outside text: the numeric value of what the user typed
// (only ever compared with 20, 65,534 and 65,535) and the cut of the
// device's answer to "show location d".

#include "app/errors.h"
#include "app/text.h"
#include "settings/locationreply.h"

#include <QTest>

namespace {

template <typename Cut> QString cut(Cut step)
{
    try {
        return step();
    } catch (const ReplyError &error) {
        return error.number() == EINVAL ? "<fails>" : "<error>";
    }
}

} // namespace

class TstParsers : public QObject
{
    Q_OBJECT

private slots:
    void numericValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        // text=value;...
        const QString rows =
            "19=19;20=20;21=21;65534=65534;65535=65535;65536=65536;-3=-3;+25=25;+-5=0;"
            "19.5=19.5;.5=0.5;2E1=20;6553.5d+1=65535;7e=7;1e-1=0.1; 6 5\t5\n3 4=65534;"
            "65\r535=65;&HFFFF=65535;&h14g=20;&O177776=65534;&o248=20;&H=0;&X1=0;"
            "-&H10=0;300ms=300;65,535=65;x20=0;=0";
        for (const QString &row : rows.split(u';'))
            QTest::newRow(row.toLatin1().constData())
                << row.section(u'=', 0, 0) << row.section(u'=', 1).toDouble();
    }
    void numericValue()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(::numericValue(text), value);
    }

    // reply ("|" for CR LF) ; location ; length/space/tones
    void locationReply_data()
    {
        QTest::addColumn<QStringList>("row");
        const char *rows =
            R"(|Location 0|Length = 100 ms|Space = 250ms|String = 123ABC*#|View ended| ; 0 ; 100/250/123ABC*#
|Location 6|Length = 20 ms|Space = 65534ms|String = |View ended| ; 6 ; 20/65534/
|Location 7|Length = 100 ms|Space = 250ms|String = 123ABC*# ; 7 ; 100/250/123ABC*#
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
            QTest::newRow(row.toLatin1().constData())
                << QString(row).replace(u'|', "\r\n").split(" ; ");
    }
    void locationReply()
    {
        QFETCH(QStringList, row);
        const QString reply = row[0];
        const int location = row[1].toInt();
        QCOMPARE(cut([&] { return cutLength(reply); }) + u'/' +
                     cut([&] { return cutSpace(reply); }) + u'/' +
                     cut([&] { return cutTones(reply, location); }),
                 row[2]);
    }
};

QTEST_APPLESS_MAIN(TstParsers)
#include "tst_parsers.moc"
