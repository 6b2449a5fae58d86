#pragma once

#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "picture/DecodeAhead.h"
#include "picture/PictureKeep.h"

class JpegPicture;

// Which pictures are decoded ahead of need and kept, around the photo on display: the photo
// "next photo" would show (or the one selected in the tree) in one worker, and in a second
// worker, one at a time, the other likely steps (previous photo, first photos of the next and
// previous albums) and, when the view outgrows the pixels of the photo on display, its larger
// decode. The photo just left is kept for going back. Everything held counts against the
// picture budget. Used from one thread; the workers touch nothing but their files and pictures.
class AheadPlan
{
public:
    AheadPlan();
    // Called from the second worker's thread whenever it settles an order; it must do no more
    // than post a message to the owning thread, which then calls otherSettled().
    void setOnOtherSettled(std::function<void()> onSettled);

    // The picture for the photo at `path` about to be shown, kept or decoded ahead (waiting for
    // a decode in flight); null when it must be loaded, and then nothing else is decoded that
    // could slow its load down.
    std::unique_ptr<JpegPicture> takeFor(const QString& path);
    // The photo at `path` is on display now, in place of the one whose picture is `left`.
    void shown(const QString& path, std::unique_ptr<JpegPicture> left);

    // Once the photo on display is decoded: `next` is the photo "next photo" shows (empty for
    // none), `likely` the other steps' photos, most likely first, `size` what the view will
    // draw them at, and `keepFreeBytes` what the photo on display may still grow by.
    void plan(const QString& next, const std::vector<QString>& likely, DecodeAhead::Size size,
              qint64 keepFreeBytes);
    // A photo pressed or selected in the tree is decoded ahead, in place of the next one. The
    // user is leaving the photo on display: what was kept for its steps goes, and its memory
    // waits for the pressed photo's decode.
    void select(const QString& path, DecodeAhead::Size size, qint64 keepFreeBytes);

    // The view needs more pixels of the photo on display than it has: true when the second
    // worker is to make them, at the next plan() (otherSettled() hands them over); false when
    // the view must decode them itself (the first decode of a photo is made in place, for its
    // progress bar).
    bool wantLarger(bool shownIsDecoded);
    bool largerWanted() const { return m_largerWanted; }
    struct Larger
    {
        bool settled = false;                 // the larger decode is over, made or not
        std::unique_ptr<JpegPicture> picture; // null when it could not be made
    };
    // The second worker has settled an order: its picture is kept, or handed over as the larger
    // decode, and the next order is placed.
    Larger otherSettled();

    // Forgets everything ahead and kept (another library).
    void dropAll();

    const DecodeAhead& ahead() const { return m_ahead; }
    const PictureKeep& kept() const { return m_kept; }

private:
    void orderLikely();

    DecodeAhead m_ahead;
    PictureKeep m_kept;
    DecodeAhead m_other;
    QString m_shownPath;            // the file of the photo on display
    std::vector<QString> m_likely;  // the paths m_kept is to hold, most likely first
    DecodeAhead::Size m_likelySize; // and the size the view will draw them at
    qint64 m_keepFreeBytes = 0;
    QSet<QString> m_failed;         // not tried ahead again: the normal path reports them
    bool m_largerWanted = false;    // the photo on display waits for m_other
    bool m_largerFailed = false;    // which could not make it: the view decodes it itself
};
