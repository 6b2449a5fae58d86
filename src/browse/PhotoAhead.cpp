// Which photo is decoded ahead, and when: the decoding itself runs in DecodeAhead's worker.
#include "app/TMainForm.h"

#include <QFrame>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>

#include "controls/ResizeNotifyPanel.h"
#include "platform/ErrorReport.h"
#include "view/PhotoImage.h"

int TMainForm::nextPhotoNode() const
{
    if (!isPhotoNode(CurrentNodeIndex))
        return -1;
    // Across albums: an album node is followed by its first photo.
    int next = CurrentNodeIndex + 1;
    if (Tree.contains(next) && Tree.node(next).isAlbum)
        ++next;
    return isPhotoNode(next) ? next : -1;
}

void TMainForm::scheduleNextAhead()
{
    QTimer::singleShot(0, this, [this] { ErrorReport::guard(this, [this] { startNextAhead(); }); });
}

void TMainForm::startNextAhead()
{
    // A photo still waiting for its first decode comes back here when that decode ends. One
    // waiting for a larger decode keeps its pixels meanwhile, and that decode reports nothing.
    if (!photoOnShow() || Image1->picture()->image().isNull())
        return;
    const int next = nextPhotoNode();
    if (next < 0) {
        m_ahead.drop();
        return;
    }
    m_ahead.start(PhotoPath(photoRecord(next)), aheadSize(ScrollBox->size()),
                  Image1->picture()->decodeBytes());
}

void TMainForm::startSelectedAhead(const TFileNameRec& rec)
{
    // The view is as large as the whole splitter at most, inside its border, once the panel
    // has closed.
    m_ahead.start(PhotoPath(rec),
                  aheadSize(MainSplitter->size().shrunkBy(ScrollBoxFrame->contentsMargins())),
                  photoOnShow() ? Image1->picture()->decodeBytes() : 0);
}

DecodeAhead::Size TMainForm::aheadSize(QSize box) const
{
    // A step starts at 100% (the natural size) unless the photo is fitted.
    return {FitWinToolBtn->isChecked() ? box : QSize(), Image1->devicePixelRatioF()};
}
