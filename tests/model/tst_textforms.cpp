#include "runtimeerror.h"
#include "scriptedprompter.h"
#include "status.h"
#include "textforms.h"

#include <QRandomGenerator>
#include <QtTest>

class TestTextForms : public QObject {
    Q_OBJECT

private:
    static constexpr char kFlag = '\\';   // the usual flag character

    static QByteArray encode(const QByteArray& raw) { return EncodeASCIICodes(raw, kFlag); }
    static QByteArray decode(const QByteArray& text) { return DecodeASCIICodes(text, kFlag); }

private slots:
    void crLfWithDefaultFlag()
    {
        const QByteArray raw("\r\n");
        QCOMPARE(encode(raw), QByteArray("\\13\\\\10\\"));
        QCOMPARE(decode("\\13\\\\10\\"), raw);
    }

    void otherFlagCharacter()
    {
        QCOMPARE(EncodeASCIICodes("a\rb\\c", '/'), QByteArray("a/13/b\\c"));
        QCOMPARE(DecodeASCIICodes("a/13/b\\13\\c", '/'), QByteArray("a\rb\\13\\c"));
    }

    void whichBytesBecomeCodes()
    {
        QCOMPARE(encode(QByteArray(1, char(31))), QByteArray("\\31\\"));
        QCOMPARE(encode(" ~"), QByteArray(" ~"));
        QCOMPARE(encode(QByteArray(1, char(127))), QByteArray("\\127\\"));
        QCOMPARE(encode(QByteArray(1, char(255))), QByteArray("\\255\\"));
        QCOMPARE(encode(QByteArray(1, '\0')), QByteArray("\\0\\"));
        // A flag that cannot pair with another stays itself.
        QCOMPARE(encode("a\\b"), QByteArray("a\\b"));
        QCOMPARE(encode("\\ab\\"), QByteArray("\\ab\\"));
        QCOMPARE(encode(QByteArray()), QByteArray());
    }

    void allCharsOption()
    {
        QCOMPARE(EncodeASCIICodes("A\\", kFlag, true), QByteArray("\\65\\\\92\\"));
        QCOMPARE(decode("\\65\\\\92\\"), QByteArray("A\\"));
    }

    void decodeRules_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("raw");
        QTest::newRow("lone flag") << QByteArray("a\\b") << QByteArray("a\\b");
        QTest::newRow("trailing flag") << QByteArray("ab\\") << QByteArray("ab\\");
        QTest::newRow("two flags in a row") << QByteArray("a\\\\b") << QByteArray("a\\\\b");
        QTest::newRow("flag then code") << QByteArray("\\\\13\\") << QByteArray("\\\r");
        QTest::newRow("not a number") << QByteArray("\\ab\\c") << QByteArray("\\ab\\c");
        QTest::newRow("signed is not a number") << QByteArray("\\+13\\") << QByteArray("\\+13\\");
        // The closing flag of a non-number is used up.
        QTest::newRow("non-number eats opener") << QByteArray("\\ab\\13\\") << QByteArray("\\ab\\13\\");
        QTest::newRow("leading zeros") << QByteArray("\\065\\") << QByteArray("A");
        QTest::newRow("zero") << QByteArray("\\0\\") << QByteArray(1, '\0');
        QTest::newRow("255") << QByteArray("\\255\\") << QByteArray(1, char(255));
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }
    void decodeRules()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, raw);
        QCOMPARE(decode(text), raw);
    }

    void codeAboveByteThrows()
    {
        for (const QByteArray& text : {QByteArray("\\256\\"), QByteArray("x\\99999999999999999999\\")}) {
            try {
                decode(text);
                QFAIL(text.constData());
            } catch (const RuntimeError& e) {
                QCOMPARE(e.number(), 6);
            }
        }
    }

    // A flag typed as a plain character that would pair with a later one is
    // written as a code, so downloading and uploading keeps the string.
    void flagCharactersSurvive()
    {
        const QByteArray literalCode("\\13\\");
        QCOMPARE(decode(encode(literalCode)), literalCode);
        const QByteArray pathThenCr("C:\\dir\r");
        QCOMPARE(decode(encode(pathThenCr)), pathThenCr);
    }

    void everyStringSurvives()
    {
        for (int b = 0; b < 256; ++b) {
            const QByteArray raw(1, char(b));
            QCOMPARE(decode(encode(raw)), raw);
        }
        const QByteArray alphabet("\\/13a9 \r\n\x7f\xc8");
        QRandomGenerator random(310);
        for (const char flag : {'\\', '/'}) {
            for (int n = 0; n < 3000; ++n) {
                QByteArray raw;
                const int length = random.bounded(12);
                for (int i = 0; i < length; ++i)
                    raw += alphabet.at(random.bounded(alphabet.size()));
                QCOMPARE(DecodeASCIICodes(EncodeASCIICodes(raw, flag), flag), raw);
            }
        }
    }

    void lengthLimit()
    {
        ScriptedPrompter prompter;
        QVERIFY(CheckASCIILength(QByteArray(31, 'a'), kFlag));
        QVERIFY(CheckASCIILength(QByteArray(30, 'a') + "\\13\\", kFlag));
        QVERIFY(prompter.shown.isEmpty());

        const QByteArray text = QByteArray(31, 'a') + "\\13\\";
        QVERIFY(!CheckASCIILength(text, kFlag));
        QCOMPARE(prompter.shown.size(), 1);
        QCOMPARE(prompter.shown.at(0).icon, MsgIcon::Information);
        QCOMPARE(prompter.shown.at(0).text,
                 QStringLiteral("Processed ASCII string ") + QString::fromLatin1(text)
                     + QStringLiteral(" has a length of 32, which is too long.  Must be 31 characters long.  "
                                      "If left unchanged, ASCII string will be truncated."));
    }

    void dtmfFilter()
    {
        ShowStatus(QStringLiteral("earlier"));
        QCOMPARE(FilterDTMFChars(QStringLiteral("12x#y")), QStringLiteral("12#"));
        QCOMPARE(LastStatus(), QStringLiteral("Unknown DTMF tone(s) detected: X, Y"));

        QCOMPARE(FilterDTMFChars(QStringLiteral("9z")), QStringLiteral("9"));
        QCOMPARE(LastStatus(), QStringLiteral("Unknown DTMF tone detected: Z"));

        // Letters A to D keep the case they were typed in.
        QCOMPARE(FilterDTMFChars(QStringLiteral("aB*0dC")), QStringLiteral("aB*0dC"));
        QCOMPARE(LastStatus(), QString());

        QCOMPARE(FilterDTMFChars(QStringLiteral("-e 5")), QStringLiteral("5"));
        QCOMPARE(LastStatus(), QStringLiteral("Unknown DTMF tone(s) detected: -, E,  "));
    }

    void stripFiller()
    {
        const char ff = char(0xFF);
        QCOMPARE(StripLastNulls(QByteArray("abc") + ff + ff, 0xFF), QByteArray("abc"));
        QCOMPARE(StripLastNulls(QByteArray(5, ff), 0xFF), QByteArray());
        QCOMPARE(StripLastNulls(QByteArray(), 0xFF), QByteArray());
        QCOMPARE(StripLastNulls(QByteArray("a") + ff + "b", 0xFF), QByteArray("a") + ff + "b");
        QCOMPARE(StripLastNulls(QByteArray("ab\0\0", 4), 0), QByteArray("ab"));
        QCOMPARE(StripLastNulls(QByteArray("ab  "), ' '), QByteArray("ab"));
    }
};

QTEST_GUILESS_MAIN(TestTextForms)
#include "tst_textforms.moc"
