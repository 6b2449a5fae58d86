// Which photos are decoded ahead, and when: the decoding itself runs in DecodeAhead's workers.
#include "app/TMainForm.h"

#include <QCoreApplication>
#include <QFrame>
#include <QSplitter>
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

std::vector<int> TMainForm::likelyPhotoNodes() const
{
    std::vector<int> nodes;
    if (!isPhotoNode(CurrentNodeIndex))
        return nodes;
    const TFileNameRec& rec = photoRecord(CurrentNodeIndex);
    // The previous photo; before an album's first, the previous album's last, as the wheel
    // goes.
    const int previous = isPhotoNode(CurrentNodeIndex - 1) ? CurrentNodeIndex - 1
                                                           : rec.DirNodeIndex - 1;
    if (isPhotoNode(previous))
        nodes.push_back(previous);
    // The first photos of the next and the previous album.
    const int nextAlbum = Tree.node(rec.DirNodeIndex).dir.LastNodeIndex + 1;
    if (Tree.contains(nextAlbum) && Tree.node(nextAlbum).isAlbum &&
        isPhotoNode(Tree.node(nextAlbum).dir.FirstNodeIndex))
        nodes.push_back(Tree.node(nextAlbum).dir.FirstNodeIndex);
    if (isPhotoNode(rec.DirNodeIndex - 1)) {
        const int album = photoRecord(rec.DirNodeIndex - 1).DirNodeIndex;
        if (isPhotoNode(Tree.node(album).dir.FirstNodeIndex))
            nodes.push_back(Tree.node(album).dir.FirstNodeIndex);
    }
    return nodes;
}

const QEvent::Type TMainForm::PlanAheadEvent = QEvent::Type(QEvent::registerEventType());

void TMainForm::scheduleNextAhead()
{
    // At the priority of the window's paint and after it: the frame asked for by the change
    // that calls for a new plan comes before the workers start on it.
    QCoreApplication::postEvent(this, new QEvent(PlanAheadEvent), Qt::LowEventPriority);
}

void TMainForm::startNextAhead()
{
    // A photo still waiting for its first decode (or, decoded ahead, for the paint that
    // reports it) comes back here when that decode ends. One waiting for a larger decode keeps
    // its pixels meanwhile, and that decode reports nothing.
    if (!photoOnShow() || !Image1->firstDecodeReported() || Image1->picture()->image().isNull())
        return;
    const int next = nextPhotoNode();
    std::vector<QString> likely;
    for (const int node : likelyPhotoNodes())
        likely.push_back(PhotoPath(photoRecord(node)));
    m_aheadPlan.plan(next >= 0 ? PhotoPath(photoRecord(next)) : QString(), likely,
                     aheadSize(ScrollBox->size()), Image1->picture()->decodeBytes());
}

void TMainForm::otherAheadSettled()
{
    AheadPlan::Larger larger = m_aheadPlan.otherSettled();
    if (!larger.settled)
        return;
    // Without a picture the view decodes the larger one itself when it next paints.
    if (larger.picture)
        Image1->takeLargerDecode(std::move(larger.picture));
    Image1->update();
}

void TMainForm::startSelectedAhead(const TFileNameRec& rec)
{
    // The view is as large as the whole splitter at most, inside its border, once the panel
    // has closed.
    m_aheadPlan.select(PhotoPath(rec),
                       aheadSize(MainSplitter->size().shrunkBy(ScrollBoxFrame->contentsMargins())),
                       photoOnShow() ? Image1->picture()->decodeBytes() : 0);
}

DecodeAhead::Size TMainForm::aheadSize(QSize box) const
{
    // A step starts at 100% (the natural size) unless the photo is fitted.
    return {FitWinToolBtn->isChecked() ? box : QSize(), Image1->devicePixelRatioF()};
}
