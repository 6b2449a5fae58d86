#include <QTest>

#include "platform/ErrorReport.h"
#include "platform/QirvaError.h"
#include "support/TestSupport.h"

class TestErrorReport : public QObject
{
    Q_OBJECT
private slots:
    void periodAddedAfterCharactersAboveThePeriod()
    {
        QCOMPARE(ErrorReport::displayText(QStringLiteral("ファイル /a.jpg は開けません")),
                 QStringLiteral("ファイル /a.jpg は開けません."));
        QCOMPARE(ErrorReport::displayText(QStringLiteral("I/O エラー (5)")),
                 QStringLiteral("I/O エラー (5)")); // ")" sorts before "."
        QCOMPARE(ErrorReport::displayText(QStringLiteral("JPEG エラー #53")),
                 QStringLiteral("JPEG エラー #53.")); // "3" sorts after "."
        QCOMPARE(ErrorReport::displayText(QStringLiteral("done.")), QStringLiteral("done."));
        QCOMPARE(ErrorReport::displayText(QStringLiteral("a-")), QStringLiteral("a-"));
        QCOMPARE(ErrorReport::displayText(QString()), QString());
    }

    void guardShowsTheErrorAndGoesOn()
    {
        ScriptedDesktop desktop;
        bool after = false;
        ErrorReport::guard(nullptr, [] { throw QirvaError(QStringLiteral("不正なインデックス")); });
        ErrorReport::guard(nullptr, [&] { after = true; });
        QVERIFY(after);
        QCOMPARE(desktop.messages.size(), size_t(1));
        QCOMPARE(desktop.messages[0].title, QStringLiteral("QIRVA"));
        QCOMPARE(desktop.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(desktop.messages[0].text, QStringLiteral("不正なインデックス."));
    }
};

QTEST_MAIN(TestErrorReport)
#include "tst_errorreport.moc"
