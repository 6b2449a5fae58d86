#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "library/NameLookup.h"
#include "support/TestSupport.h"

class TestNameLookup : public QObject
{
    Q_OBJECT
private slots:
    void exactNameFirstThenAnyLetterCase()
    {
        QTemporaryDir dir;
        const QString album = dir.path() + QStringLiteral("/album");
        writeTextFile(album + QStringLiteral("/Preview/p1.jpg"), "exact");
        writeTextFile(album + QStringLiteral("/preview/p1.jpg"), "other folder");
        writeTextFile(album + QStringLiteral("/Preview/P2.JPG"), "upper");
        writeTextFile(album + QStringLiteral("/Preview/p2.JPG"), "lower");
        writeTextFile(album + QStringLiteral("/HTML/Index.htm"), "page");
        NameLookup lookup;
        const auto find = [&](const QStringList& parts) {
            return lookup.findFile(album, parts).mid(album.size() + 1);
        };
        QCOMPARE(find({"Preview", "p1.jpg"}), QStringLiteral("Preview/p1.jpg"));
        // Equal ignoring case: the first in the sort order, where the bytes decide.
        QCOMPARE(find({"Preview", "p2.jpg"}), QStringLiteral("Preview/P2.JPG"));
        QCOMPARE(find({"html", "index.htm"}), QStringLiteral("HTML/Index.htm"));
        QCOMPARE(find({"Preview", "p3.jpg"}), QString());
        QCOMPARE(lookup.findFile(dir.path() + QStringLiteral("/missing"), {"Preview", "p1.jpg"}),
                 QString());
        // A trailing slash on the folder changes nothing.
        QCOMPARE(lookup.findFile(album + QLatin1Char('/'), {"html", "index.htm"}),
                 album + QStringLiteral("/HTML/Index.htm"));
    }

    void onlyAFolderLeadsOnAndOnlyARegularFileIsFound()
    {
        QTemporaryDir dir;
        const QString album = dir.path();
        writeTextFile(album + QStringLiteral("/html"), "a file, not the folder");
        writeTextFile(album + QStringLiteral("/Html/index.htm"), "page");
        QVERIFY(QDir().mkpath(album + QStringLiteral("/Preview/p1.jpg")));
        writeTextFile(album + QStringLiteral("/Preview/P1.jpg"), "copy");
        QVERIFY(QFile::link(album + QStringLiteral("/gone"), album + QStringLiteral("/Preview/p2.jpg")));
        NameLookup lookup;
        QCOMPARE(lookup.findFile(album, {"html", "index.htm"}),
                 album + QStringLiteral("/Html/index.htm"));
        QCOMPARE(lookup.findFile(album, {"Preview", "p1.jpg"}),
                 album + QStringLiteral("/Preview/P1.jpg"));
        QCOMPARE(lookup.findFile(album, {"Preview", "p2.jpg"}), QString());
    }

    void aFolderIsListedOnceUntilCleared()
    {
        QTemporaryDir dir;
        const QString album = dir.path();
        writeTextFile(album + QStringLiteral("/preview/p1.jpg"), "copy");
        NameLookup lookup;
        QCOMPARE(lookup.findFile(album, {"Preview", "p2.jpg"}), QString());
        // What the first listing did not hold is not seen until the tree is rebuilt ...
        writeTextFile(album + QStringLiteral("/preview/P2.jpg"), "added later");
        QCOMPARE(lookup.findFile(album, {"Preview", "p2.jpg"}), QString());
        // ... while an exact name is always looked at.
        writeTextFile(album + QStringLiteral("/Preview/p2.jpg"), "exact, added later");
        QCOMPARE(lookup.findFile(album, {"Preview", "p2.jpg"}),
                 album + QStringLiteral("/Preview/p2.jpg"));
        QVERIFY(QDir(album + QStringLiteral("/Preview")).removeRecursively());
        lookup.clear();
        QCOMPARE(lookup.findFile(album, {"Preview", "p2.jpg"}),
                 album + QStringLiteral("/preview/P2.jpg"));
    }
};

QTEST_MAIN(TestNameLookup)
#include "tst_namelookup.moc"
