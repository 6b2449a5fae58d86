#include <QTest>

#include "platform/FileNameCodec.h"

using namespace FileNameCodec;

class TestFileNameCodec : public QObject
{
    Q_OBJECT
private slots:
    void namesAreShownAsUtf8ThenCp932ThenWithReplacementCharacters_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ascii") << QByteArray("Trip 2003") << QStringLiteral("Trip 2003");
        QTest::newRow("utf-8") << QByteArray("\xe5\x86\x99\xe7\x9c\x9f.jpg")
                               << QStringLiteral("写真.jpg");
        // 写真 and ソ (whose second byte is a backslash) in Shift-JIS, as Windows wrote them.
        QTest::newRow("cp932") << QByteArray("\x8e\xca\x90\x5e\x83\x5c.jpg")
                               << QStringLiteral("写真ソ.jpg");
        QTest::newRow("cp932 half-width kana")
            << QByteArray("\xb6\xd2\xd7") << QStringLiteral("ｶﾒﾗ");
        // U+1F4A9 is the surrogate pair D83D DCA9: its second half must not pass for an escape.
        QTest::newRow("utf-8 beyond the BMP")
            << QByteArray("\xf0\x9f\x92\xa9.jpg") << QStringLiteral("\U0001F4A9.jpg");
        QTest::newRow("neither, beyond the BMP")
            << QByteArray("\xff\xf0\x9f\x92\xa9") << QStringLiteral("\uFFFD\U0001F4A9");
        QTest::newRow("neither") << QByteArray("a\xff\x8e.jpg")
                                 << QStringLiteral("a\uFFFD\uFFFD.jpg");
        QTest::newRow("utf-8 surrogate bytes")
            << QByteArray("\xed\xb2\x80") << QStringLiteral("\uFFFD\uFFFD\uFFFD");
    }

    void namesAreShownAsUtf8ThenCp932ThenWithReplacementCharacters()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QCOMPARE(FileNameCodec::shown(bytes), shown);
        // Whatever it shows as, the path text gives back the very bytes.
        QCOMPARE(toDisk(fromDisk(bytes)), bytes);
        QCOMPARE(toDisk(QStringLiteral("/lib/") + fromDisk(bytes) + QStringLiteral("/p.jpg")),
                 "/lib/" + bytes + "/p.jpg");
        QCOMPARE(shownPath(QStringLiteral("/lib/") + fromDisk(bytes)),
                 QStringLiteral("/lib/") + shown);
    }

    void distinctBytesNeverShareAPathText()
    {
        // U+DC80.. in valid UTF-8 does not exist, so no real name is mistaken for an escape.
        QVERIFY(fromDisk("\x8e\xca") != fromDisk("\xc2\x8e\xc3\x8a"));
        QVERIFY(fromDisk("\xff") != fromDisk("\xef\xbf\xbd"));
        QCOMPARE(fromDisk("\xe5\x86\x99"), QStringLiteral("写"));
    }
};

QTEST_MAIN(TestFileNameCodec)
#include "tst_filenamecodec.moc"
