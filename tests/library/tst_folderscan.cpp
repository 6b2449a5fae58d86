#include <QCollator>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "library/FolderScan.h"
#include "library/FolderTree.h"
#include "library/FolderTreeModel.h"
#include "platform/QirvaError.h"
#include "support/VanishingFile.h"

using namespace FolderScan;

namespace {

void makeFile(const QString& path, int size)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(QByteArray(size, 'x'));
}

void makeRawFile(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT, 0644);
    QVERIFY(fd >= 0);
    ::close(fd);
}

QStringList nodeTexts(const FolderTree& tree)
{
    QStringList texts;
    for (int i = 0; i < tree.count(); ++i)
        texts << (tree.node(i).isAlbum ? QString() : QStringLiteral("  ")) + tree.node(i).text();
    return texts;
}

QString errorOf(const QString& library, FolderTree& tree)
{
    try {
        MakeFolderTree(library, tree);
    } catch (const QirvaError& e) {
        return e.text();
    }
    return {};
}

// The 3+2 library: album "A" with a.jpg (10 bytes), b.jpg (20), c.jpg (30); "B" with x.jpg (40),
// y.jpg (50).
void makeThreeAndTwo(const QString& root)
{
    makeFile(root + "/A/a.jpg", 10);
    makeFile(root + "/A/b.jpg", 20);
    makeFile(root + "/A/c.jpg", 30);
    makeFile(root + "/B/x.jpg", 40);
    makeFile(root + "/B/y.jpg", 50);
}

} // namespace

class TestFolderScan : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_locale = QLocale(); }
    void cleanup() { QLocale::setDefault(m_locale); }

    void sortIsCaseInsensitiveDigitsAsCharactersTiesByBytes_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::newRow("C") << "C";
        QTest::newRow("ja_JP") << "ja_JP";
        QTest::newRow("en_US") << "en_US";
    }
    void sortIsCaseInsensitiveDigitsAsCharactersTiesByBytes()
    {
        QFETCH(QString, locale);
        QLocale::setDefault(QLocale(locale));

        QStringList albums = {"Trip", "2000_9", "2000_10"};
        sortNames(albums);
        QCOMPARE(albums, QStringList({"2000_10", "2000_9", "Trip"}));

        QStringList photos = {"d.Jpg", "B.JPG", "a.jpg", "A.jpg"};
        sortNames(photos);
        QCOMPARE(photos, QStringList({"A.jpg", "a.jpg", "B.JPG", "d.Jpg"}));

        // Whatever technique the sort uses, its order is the collator's own.
        QStringList names = {
            "IMG_0001.JPG", "IMG0001.jpg", "img-1.jpg", "_x",    "-x",    "[x",
            "a b",          "ab",          "é.jpg",     "E.jpg", "e.jpg", "写真.jpg",
            "ｱ.jpg",        "あ.jpg",      "ア.jpg",    "Z",     "z",     "DSC01234.jpg",
            "dsc1234.jpg"};
        QCollator collator{QLocale()};
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        collator.setNumericMode(false);
        QStringList expected = names;
        std::sort(expected.begin(), expected.end(), [&](const QString& a, const QString& b) {
            const int c = collator.compare(a, b);
            return c != 0 ? c < 0 : a.toUtf8() < b.toUtf8();
        });
        sortNames(names);
        QCOMPARE(names, expected);
    }

    void albumsAndPhotosAreScannedInSortOrder()
    {
        QTemporaryDir dir;
        makeFile(dir.path() + "/Trip/1.jpg", 1);
        makeFile(dir.path() + "/2000_9/1.jpg", 1);
        makeFile(dir.path() + "/2000_10/B.JPG", 2);
        makeFile(dir.path() + "/2000_10/a.jpg", 1);
        makeFile(dir.path() + "/2000_10/d.Jpg", 3);

        FolderTree tree;
        MakeFolderTree(dir.path(), tree);
        QCOMPARE(nodeTexts(tree), QStringList({"2000_10", "  a.jpg", "  B.JPG", "  d.Jpg", "2000_9",
                                               "  1.jpg", "Trip", "  1.jpg"}));
        for (int no = 1; no <= 3; ++no) {
            QCOMPARE(tree.node(no).file.FileNo, no);
            QCOMPARE(tree.node(no).file.FileSize, no);
        }
    }

    void twoAlbumTreeHoldsEveryRecordField()
    {
        QTemporaryDir dir;
        makeThreeAndTwo(dir.path());
        FolderTree tree;
        MakeFolderTree(dir.path(), tree);

        QCOMPARE(tree.count(), 7);
        QCOMPARE(tree.albumCount(), 2);
        const TDirNameRec& a = tree.node(0).dir;
        QVERIFY(tree.node(0).isAlbum);
        QCOMPARE(a.DirName, "A");
        QCOMPARE(a.FileCount, 3);
        QCOMPARE(a.FirstNodeIndex, 1);
        QCOMPARE(a.LastNodeIndex, 3);
        const TDirNameRec& b = tree.node(4).dir;
        QVERIFY(tree.node(4).isAlbum);
        QCOMPARE(b.DirName, "B");
        QCOMPARE(b.FileCount, 2);
        QCOMPARE(b.FirstNodeIndex, 5);
        QCOMPARE(b.LastNodeIndex, 6);

        const QStringList names = {"", "a.jpg", "b.jpg", "c.jpg", "", "x.jpg", "y.jpg"};
        for (int i : {1, 2, 3, 5, 6}) {
            const TFileNameRec& f = tree.node(i).file;
            const bool first = i < 4;
            QVERIFY(!tree.node(i).isAlbum);
            QCOMPARE(f.FileName, names[i]);
            QCOMPARE(f.DirName, first ? "A" : "B");
            QCOMPARE(f.FileNo, first ? i : i - 4);
            QCOMPARE(f.FileCount, first ? 3 : 2);
            QCOMPARE(f.NodeIndex, i);
            QCOMPARE(f.DirNodeIndex, first ? 0 : 4);
            QCOMPARE(f.FileSize, (first ? i : i - 1) * 10);
        }
    }

    void onlyPlainAlbumsAndJpegPhotosAreListed()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        makeFile(root + "/Album/p.jpg", 5);
        makeFile(root + "/Album/.hidden.jpg", 1);
        makeFile(root + "/Album/notes.txt", 1);
        makeFile(root + "/Album/p.jpeg", 1);
        makeFile(root + "/Album/jpg", 1);
        makeFile(root + "/Album/Preview/p.jpg", 1);
        QVERIFY(QDir().mkpath(root + "/Album/x.jpg"));
        makeFile(root + "/outside.jpg", 7);
        QVERIFY(QFile::link(root + "/outside.jpg", root + "/Album/linked.JPG"));
        QVERIFY(QFile::link(root + "/Album", root + "/Album/loop"));
        QVERIFY(QFile::link(root + "/Album", root + "/Album/dir.jpg"));
        makeFile(root + "/OnlySubfolders/Preview/p.jpg", 1);
        makeFile(root + "/OnlySubfolders/html/index.htm", 1);
        makeFile(root + "/.hiddenAlbum/p.jpg", 1);
        QVERIFY(QFile::link(root + "/Album", root + "/LinkedAlbum"));
        QVERIFY(QFile::link(root + "/Loop", root + "/Loop"));
        const QByteArray badPhoto = QFile::encodeName(root + "/Album/") + "bad\xff.jpg";
        const QByteArray badAlbum = QFile::encodeName(root) + "/bad\xfe";
        makeRawFile(badPhoto);
        QVERIFY(::mkdir(badAlbum.constData(), 0755) == 0);
        makeRawFile(badAlbum + "/p.jpg");
        // QTemporaryDir cannot remove names that are not valid UTF-8.
        auto removeBadNames = qScopeGuard([&] {
            ::unlink(badPhoto.constData());
            ::unlink((badAlbum + "/p.jpg").constData());
            ::rmdir(badAlbum.constData());
        });

        // Names valid neither as UTF-8 nor as CP932 are listed too, each bad byte shown as
        // U+FFFD.
        const QString bad = QStringLiteral("bad\uFFFD");
        QCOMPARE(GetDirList(root + "/*.*"), QStringList({"Album", bad, "OnlySubfolders"}));
        QCOMPARE(GetFileList(root + "/Album/*.jpg"),
                 QStringList({bad + ".jpg", "linked.JPG", "p.jpg"}));

        FolderTree tree;
        MakeFolderTree(root, tree);
        QCOMPARE(nodeTexts(tree), QStringList({"Album", "  " + bad + ".jpg", "  linked.JPG",
                                               "  p.jpg", bad, "  p.jpg"}));
        QCOMPARE(tree.node(2).file.FileSize, 7);
    }

    void unusableLibraryGivesEmptyTree_data()
    {
        QTest::addColumn<QString>("library");
        QTest::newRow("empty folder") << "/empty";
        QTest::newRow("missing folder") << "/missing";
        QTest::newRow("a file") << "/file";
    }
    void unusableLibraryGivesEmptyTree()
    {
        QFETCH(QString, library);
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.path() + "/empty"));
        makeFile(dir.path() + "/file", 1);
        makeThreeAndTwo(dir.path() + "/old");
        FolderTree tree;
        MakeFolderTree(dir.path() + "/old", tree);
        MakeFolderTree(dir.path() + library, tree);
        QVERIFY(tree.isEmpty());
        QVERIFY(GetDirList(dir.path() + library + "/*.*").isEmpty());
        QVERIFY(GetFileList(dir.path() + library + "/*.jpg").isEmpty());
    }

    void noLibraryPathGivesEmptyTree()
    {
        FolderTree tree;
        MakeFolderTree(QString(), tree);
        QVERIFY(tree.isEmpty());
    }

    void trailingSlashOnLibraryPathGivesSameTree()
    {
        QTemporaryDir dir;
        makeThreeAndTwo(dir.path());
        FolderTree plain, slashed;
        MakeFolderTree(dir.path(), plain);
        MakeFolderTree(dir.path() + "/", slashed);
        QCOMPARE(nodeTexts(slashed), nodeTexts(plain));
        QCOMPARE(slashed.count(), 7);
    }

    void unreadableAlbumGetsNoNode()
    {
        QTemporaryDir dir;
        makeThreeAndTwo(dir.path());
        const QByteArray locked = QFile::encodeName(dir.path() + "/A");
        QVERIFY(::chmod(locked.constData(), 0) == 0);
        if (DIR* d = ::opendir(locked.constData())) {
            ::closedir(d);
            ::chmod(locked.constData(), 0755);
            QSKIP("running with rights that read a folder of mode 000 (root)");
        }
        FolderTree tree;
        MakeFolderTree(dir.path(), tree);
        ::chmod(locked.constData(), 0755);
        QCOMPARE(nodeTexts(tree), QStringList({"B", "  x.jpg", "  y.jpg"}));
        QCOMPARE(tree.node(0).dir.FirstNodeIndex, 1);
    }

    void vanishedPhotoStopsScanKeepingEarlierNodes()
    {
        QTemporaryDir dir;
        makeFile(dir.path() + "/A/a.jpg", 1);
        makeFile(dir.path() + "/B/a.jpg", 2);
        makeFile(dir.path() + "/B/p.jpg", 2);
        makeFile(dir.path() + "/C/a.jpg", 3);
        vanishWhenSized("p.jpg"); // listed, then gone before its size is read

        FolderTree tree;
        QCOMPARE(errorOf(dir.path(), tree), QStringLiteral("ファイルが見つかりません"));
        QCOMPARE(nodeTexts(tree), QStringList({"A", "  a.jpg", "B", "  a.jpg"}));
        // The album counts the photos it holds, so "(1/1)" and the stepping commands agree.
        QCOMPARE(tree.node(2).dir.FileCount, 1);
        QCOMPARE(tree.node(2).dir.LastNodeIndex, 3);
        QCOMPARE(tree.node(3).file.FileCount, 1);
    }

    void albumCutBeforeItsFirstPhotoGoes()
    {
        FolderTree tree;
        tree.addAlbum(QStringLiteral("A"), 1);
        tree.addPhoto(QStringLiteral("a.jpg"), 1, 10);
        tree.addAlbum(QStringLiteral("B"), 3);
        tree.cutLastAlbum();
        QCOMPARE(nodeTexts(tree), QStringList({"A", "  a.jpg"}));
        QCOMPARE(tree.albumCount(), 1);
        QCOMPARE(tree.node(0).dir.LastNodeIndex, 1);
    }

    void linkLeadingNowhereIsNoPhotoAndTheScanGoesOn()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        makeFile(root + "/A/a.jpg", 1);
        QVERIFY(QFile::link(root + "/gone.jpg", root + "/A/b.jpg"));
        QVERIFY(QFile::link(root + "/A/loop.jpg", root + "/A/loop.jpg"));
        QVERIFY(QFile::link(root + "/A/a.jpg/inside.jpg", root + "/A/c.jpg")); // through a file
        QVERIFY(QDir().mkpath(root + "/OnlyLinks"));
        QVERIFY(QFile::link(root + "/gone.jpg", root + "/OnlyLinks/x.jpg"));
        makeFile(root + "/B/a.jpg", 2);

        FolderTree tree;
        QCOMPARE(errorOf(root, tree), QString());
        QCOMPARE(nodeTexts(tree), QStringList({"A", "  a.jpg", "B", "  a.jpg"}));
        QCOMPARE(tree.node(0).dir.FileCount, 1);
        QCOMPARE(tree.node(2).dir.FirstNodeIndex, 3);
    }

    void readOnlyAndHugePhotosAreSized()
    {
        QTemporaryDir dir;
        makeFile(dir.path() + "/A/ro.jpg", 123);
        QVERIFY(QFile::setPermissions(dir.path() + "/A/ro.jpg", QFile::ReadOwner));
        makeFile(dir.path() + "/A/sealed.jpg", 45);
        QVERIFY(QFile::setPermissions(dir.path() + "/A/sealed.jpg", {}));
        // A sparse 3 GiB file: its size does not fit the 32-bit record and is clamped.
        QFile huge(dir.path() + "/A/huge.jpg");
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(qint64(3) << 30));
        huge.close();

        FolderTree tree;
        MakeFolderTree(dir.path(), tree);
        QCOMPARE(nodeTexts(tree), QStringList({"A", "  huge.jpg", "  ro.jpg", "  sealed.jpg"}));
        QCOMPARE(tree.node(1).file.FileSize, INT32_MAX);
        QCOMPARE(tree.node(2).file.FileSize, 123);
        QCOMPARE(tree.node(3).file.FileSize, 45);
    }

    void lookupOutsideTreeThrows()
    {
        QTemporaryDir dir;
        makeThreeAndTwo(dir.path());
        FolderTree tree;
        MakeFolderTree(dir.path(), tree);
        for (int index : {-1, tree.count()}) {
            try {
                tree.node(index);
                QFAIL("no error");
            } catch (const QirvaError& e) {
                QCOMPARE(e.text(), QStringLiteral("不正なインデックス"));
            }
        }
    }

    void modelRowsMatchFlatIndexes()
    {
        QTemporaryDir dir;
        makeThreeAndTwo(dir.path());
        FolderTree tree;
        FolderTreeModel model(tree);
        model.beginRebuild();
        MakeFolderTree(dir.path(), tree);
        model.endRebuild();

        QCOMPARE(model.rowCount(), 2);
        const QModelIndex a = model.index(0, 0);
        const QModelIndex b = model.index(1, 0);
        QCOMPARE(model.rowCount(a), 3);
        QCOMPARE(model.rowCount(b), 2);
        QCOMPARE(model.rowCount(model.index(0, 0, a)), 0);
        QVERIFY(!model.index(2, 0).isValid());
        QVERIFY(!model.index(3, 0, a).isValid());
        QCOMPARE(model.parent(model.index(1, 0, b)), b);
        QVERIFY(!model.parent(a).isValid());
        QCOMPARE(model.data(model.index(1, 0, b)).toString(), "y.jpg");
        for (int i = 0; i < tree.count(); ++i) {
            const QModelIndex index = model.indexOfNode(i);
            QVERIFY(index.isValid());
            QCOMPARE(model.nodeOfIndex(index), i);
            QCOMPARE(model.data(index).toString(), tree.node(i).text());
        }
        QCOMPARE(model.indexOfNode(6), model.index(1, 0, b));
        QVERIFY(!model.indexOfNode(7).isValid());
        QCOMPARE(model.nodeOfIndex({}), -1);
    }

private:
    QLocale m_locale;
};

QTEST_MAIN(TestFolderScan)
#include "tst_folderscan.moc"
