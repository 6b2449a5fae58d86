// Which photos are decoded ahead, and when: the decoding itself runs in DecodeAhead's workers.
#include "app/TMainForm.h"

#include <QFrame>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

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
    const DecodeAhead::Size size = aheadSize(ScrollBox->size());
    const int next = nextPhotoNode();
    const QString nextPath = next >= 0 ? PhotoPath(photoRecord(next)) : QString();
    // A picture held ahead for another photo joins the kept ones: it may be one of them.
    const QString held = m_ahead.path();
    if (!held.isEmpty() && held != nextPath && m_ahead.status() == DecodeAhead::Status::Ready)
        m_kept.put(held, m_ahead.take(held));

    m_likely.clear();
    for (const int node : likelyPhotoNodes()) {
        const QString path = PhotoPath(photoRecord(node));
        if (path != nextPath && std::find(m_likely.begin(), m_likely.end(), path) == m_likely.end())
            m_likely.push_back(path);
    }
    m_likelySize = size;
    std::vector<QString> keep = m_likely;
    keep.push_back(nextPath);
    m_kept.keepOnly(keep);

    if (next < 0) {
        m_ahead.drop();
    } else if (m_ahead.path() != nextPath && m_kept.holds(nextPath, size)) {
        // Kept already (the photo just left, say): it is the one ahead now, no decode needed.
        if (std::unique_ptr<JpegPicture> picture = m_kept.take(nextPath))
            m_ahead.adopt(nextPath, size, std::move(picture));
        else
            m_ahead.start(nextPath, size, Image1->picture()->decodeBytes());
    } else {
        m_ahead.start(nextPath, size, Image1->picture()->decodeBytes());
    }
    orderLikely();
}

void TMainForm::orderLikely()
{
    if (m_largerWanted) {
        m_aheadOther.start(m_shownPath, DecodeAhead::Size{}, 0);
        return;
    }
    if (!photoOnShow())
        return;
    for (const QString& path : m_likely) {
        if (!m_kept.holds(path, m_likelySize) && !m_aheadFailed.contains(path)) {
            m_aheadOther.start(path, m_likelySize, Image1->picture()->decodeBytes());
            return;
        }
    }
    if (!m_aheadOther.path().isEmpty())
        m_aheadOther.drop();
}

void TMainForm::otherAheadSettled()
{
    const QString path = m_aheadOther.path();
    switch (m_aheadOther.status()) {
    case DecodeAhead::Status::Ready: {
        std::unique_ptr<JpegPicture> picture = m_aheadOther.take(path);
        if (m_largerWanted && path == m_shownPath) {
            m_largerWanted = false;
            if (picture)
                Image1->takeLargerDecode(std::move(picture));
            else
                m_largerFailed = true; // the file changed: Image1 finds out itself
            Image1->update();
        } else {
            m_kept.put(path, std::move(picture));
        }
        break;
    }
    case DecodeAhead::Status::Failed:
        if (m_largerWanted && path == m_shownPath) {
            m_largerWanted = false;
            m_largerFailed = true;
            Image1->update();
        } else {
            m_aheadFailed.insert(path);
        }
        break;
    default:
        return; // an order placed since; its own report comes
    }
    orderLikely();
}

bool TMainForm::decodeLargerAhead()
{
    // The first decode of a photo is made in place: it drives the progress bar.
    if (m_largerFailed || m_shownPath.isEmpty() || !Image1->picture()->isDecoded())
        return false;
    if (!m_largerWanted) {
        m_largerWanted = true;
        orderLikely();
    }
    return true;
}

void TMainForm::dropAllAhead()
{
    m_ahead.drop();
    m_aheadOther.drop();
    m_kept.clear();
    m_aheadFailed.clear();
    m_likely.clear();
    m_largerWanted = false;
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
