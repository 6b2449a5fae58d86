#include <QTest>

#include <climits>

#include "library/FolderTree.h"
#include "slideshow/SlideCourse.h"

using SlideCourse::Step;

namespace {

// Three albums of 3, 1 and 4 photos: album 0, photos 1-3, album 4, photo 5, album 6, photos 7-10.
FolderTree threeAlbums()
{
    FolderTree tree;
    for (int count : {3, 1, 4}) {
        tree.addAlbum(QStringLiteral("a%1").arg(tree.albumCount()), count);
        for (int i = 1; i <= count; ++i)
            tree.addPhoto(QStringLiteral("p%1.jpg").arg(i), i, 1000);
    }
    return tree;
}

} // namespace

class TestSlideCourse : public QObject
{
    Q_OBJECT
private slots:
    void ticksWithinAnAlbumStepToTheNextPhotoInEveryMode()
    {
        for (quint8 mode : {SlideCourse::AutomaticAdvance, SlideCourse::AlbumShow,
                            SlideCourse::AllAlbumsShow})
            for (bool loop : {false, true})
                QCOMPARE(SlideCourse::tick(mode, false, 2, 11, loop), Step::NextPhoto);
    }

    void albumEndDependsOnTheMode()
    {
        // Plain automatic advance ignores SlideLoop.
        QCOMPARE(SlideCourse::tick(SlideCourse::AutomaticAdvance, true, 3, 11, false), Step::Stop);
        QCOMPARE(SlideCourse::tick(SlideCourse::AutomaticAdvance, true, 3, 11, true), Step::Stop);
        QCOMPARE(SlideCourse::tick(SlideCourse::AlbumShow, true, 3, 11, false), Step::Stop);
        QCOMPARE(SlideCourse::tick(SlideCourse::AlbumShow, true, 3, 11, true), Step::AlbumStart);
        // The album show stays in its album even when it is not the tree's last.
        QCOMPARE(SlideCourse::tick(SlideCourse::AlbumShow, true, 10, 11, true), Step::AlbumStart);
    }

    void allAlbumsShowCrossesAlbumsAndEndsAtTheTreesLastNode()
    {
        const quint8 all = SlideCourse::AllAlbumsShow;
        QCOMPARE(SlideCourse::tick(all, true, 3, 11, false), Step::NextAlbum);
        QCOMPARE(SlideCourse::tick(all, true, 5, 11, false), Step::NextAlbum); // one-photo album
        QCOMPARE(SlideCourse::tick(all, true, 10, 11, false), Step::Stop);
        QCOMPARE(SlideCourse::tick(all, true, 10, 11, true), Step::LibraryStart);
        // A library of one album: its end is the tree's end.
        QCOMPARE(SlideCourse::tick(all, true, 2, 3, true), Step::LibraryStart);
        QCOMPARE(SlideCourse::tick(all, true, 2, 3, false), Step::Stop);
    }

    void albumShowStartsAtTheFirstPhotoOfTheSelection()
    {
        const FolderTree tree = threeAlbums();
        QCOMPARE(SlideCourse::albumShowStart(tree, 0), 1);  // an album: its first photo
        QCOMPARE(SlideCourse::albumShowStart(tree, 6), 7);
        QCOMPARE(SlideCourse::albumShowStart(tree, 9), 9);  // a photo: itself, the album's first
                                                            // photo is found from there
        QCOMPARE(SlideCourse::albumShowStart(tree, -1), -1); // nothing selected
        QCOMPARE(SlideCourse::albumShowStart(tree, 11), -1); // outside a rebuilt, smaller tree
        QCOMPARE(SlideCourse::albumShowStart(FolderTree(), 0), -1);
    }

    void intervalIsTenthsTimesHundredNeverWrapped()
    {
        QCOMPARE(SlideCourse::slideTimerInterval(50), 5000);
        QCOMPARE(SlideCourse::slideTimerInterval(1200), 120000);
        QCOMPARE(SlideCourse::slideTimerInterval(1), 100);
        // 32-bit arithmetic would wrap these into short or negative intervals.
        QCOMPARE(SlideCourse::slideTimerInterval(21474837), INT_MAX);
        QCOMPARE(SlideCourse::slideTimerInterval(INT_MAX), INT_MAX);
        QCOMPARE(SlideCourse::slideTimerInterval(42949673), INT_MAX); // x100 = 2^32 + 4
        // 0 or less: a timer that never fires.
        QCOMPARE(SlideCourse::slideTimerInterval(0), 0);
        QCOMPARE(SlideCourse::slideTimerInterval(-5), 0);
        QCOMPARE(SlideCourse::slideTimerInterval(INT_MIN), 0);
    }
};

QTEST_APPLESS_MAIN(TestSlideCourse)
#include "tst_slidecourse.moc"
