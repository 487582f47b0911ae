// Numbers read from typed text and written for the user, and port entries.
#include "numbertext.h"
#include "portresolve.h"

#include <QTest>

class TestNumberText : public QObject {
    Q_OBJECT
private slots:
    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("digits") << "05" << 5.0;
        QTest::newRow("stops at a letter") << "12ab" << 12.0;
        QTest::newRow("blanks anywhere") << " 1 5" << 15.0;
        QTest::newRow("sign and fraction") << "-3.25x" << -3.25;
        QTest::newRow("fraction alone") << ".5" << 0.5;
        QTest::newRow("exponent") << "1.5e2x" << 150.0;
        QTest::newRow("exponent without digits") << "7e" << 7.0;
        QTest::newRow("second point ends it") << "1.2.3" << 1.2;
        QTest::newRow("sign alone") << "+" << 0.0;
        QTest::newRow("nothing") << "" << 0.0;
        QTest::newRow("no number") << "x12" << 0.0;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(LeadingNumber(text), value);
    }

    void wholeTextNumbers()
    {
        double v = -1;
        QVERIFY(ParseUserNumber(QStringLiteral(" 12 "), &v));
        QCOMPARE(v, 12.0);
        QVERIFY(ParseUserNumber(QStringLiteral("0.25"), &v));
        QCOMPARE(v, 0.25);
        QVERIFY(ParseUserNumber(QStringLiteral("-3"), &v));
        QCOMPARE(v, -3.0);
        v = 7;
        for (const char* text : {"", " ", "12ab", "1 5", "inf", "nan"})
            QVERIFY2(!ParseUserNumber(QString::fromLatin1(text), &v), text);
        QCOMPARE(v, 7.0);   // left alone when the text is no number
    }

    void paddedNumbers()
    {
        QCOMPARE(TwoDigits(1), QStringLiteral("01"));
        QCOMPARE(TwoDigits(20), QStringLiteral("20"));
        QCOMPARE(TwoDigits(0), QStringLiteral("00"));
        QCOMPARE(TwoDigits(-5), QStringLiteral("-05"));
        QCOMPARE(TwoDigits(123), QStringLiteral("123"));
        QCOMPARE(ZeroPadded(7, 3), QStringLiteral("007"));
        QCOMPARE(ZeroPadded(400, 3), QStringLiteral("400"));
    }

    void portEntries()
    {
        QCOMPARE(PortNumberOf(QStringLiteral("Com3")), 3);
        QCOMPARE(PortNumberOf(QStringLiteral("COM12")), 12);
        QCOMPARE(PortNumberOf(QStringLiteral("com 7 ")), 7);
        QCOMPARE(PortNumberOf(QStringLiteral("Com0")), 0);
        QCOMPARE(PortNumberOf(QStringLiteral("Com-2")), 0);
        QCOMPARE(PortNumberOf(QStringLiteral("Com")), 0);
        QCOMPARE(PortNumberOf(QString()), 0);
        QCOMPARE(PortNumberOf(QStringLiteral("/dev/ttyUSB0")), 0);
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
