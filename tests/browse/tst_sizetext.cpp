#include <QTest>

#include "browse/SizeText.h"

class TestSizeText : public QObject
{
    Q_OBJECT
private slots:
    void kilobytesInTheJapaneseLocale_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << qint64(0) << "0.0KB";
        QTest::newRow("100") << qint64(100) << "0.1KB";
        QTest::newRow("1536") << qint64(1536) << "1.5KB";
        QTest::newRow("123456") << qint64(123456) << "120.6KB";
        QTest::newRow("1234567") << qint64(1234567) << "1,205.6KB";
        QTest::newRow("12345678") << qint64(12345678) << "12,056.0KB";
        // Rounded once, at one decimal: 100.046875 KB is 100.0, not 100.05 then 100.1.
        QTest::newRow("no double rounding") << qint64(102448) << "100.0KB";
        QTest::newRow("half away from zero") << qint64(52) << "0.1KB"; // 0.05078125
        QTest::newRow("five digits round to whole") << qint64(10239949) << "10,000.0KB";
        QTest::newRow("just below five digits") << qint64(10239897) << "9,999.9KB";
        // Six digits and more stay in the fixed form, whole kilobytes.
        QTest::newRow("100,000 KB") << qint64(102400000) << "100,000.0KB";
        QTest::newRow("largest size") << qint64(2147483647) << "2,097,152.0KB";
    }

    void kilobytesInTheJapaneseLocale()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(sizeText(bytes, true, QLocale(QLocale::Japanese, QLocale::Japan)), text);
    }

    void separatorsFollowTheLocale()
    {
        QCOMPARE(sizeText(1234567, true, QLocale(QLocale::German, QLocale::Germany)),
                 QStringLiteral("1.205,6KB"));
    }

    void bytesArePlain()
    {
        QCOMPARE(sizeText(1234567, false, QLocale(QLocale::Japanese, QLocale::Japan)),
                 QStringLiteral("1234567Byte"));
        QCOMPARE(sizeText(0, false), QStringLiteral("0Byte"));
    }
};

QTEST_APPLESS_MAIN(TestSizeText)
#include "tst_sizetext.moc"
