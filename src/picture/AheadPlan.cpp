#include "picture/AheadPlan.h"

#include <algorithm>

#include "picture/JpegPicture.h"

AheadPlan::AheadPlan() = default;

void AheadPlan::setOnOtherSettled(std::function<void()> onSettled)
{
    m_other.setOnSettled(std::move(onSettled));
}

std::unique_ptr<JpegPicture> AheadPlan::takeFor(const QString& path)
{
    std::unique_ptr<JpegPicture> picture = m_kept.take(path);
    if (!picture && m_ahead.path() != path && m_other.path() == path)
        picture = m_other.take(path);
    if (!picture)
        picture = m_ahead.take(path);
    if (!picture)
        m_other.drop(true); // not where the plan expected: its decodes would slow the load
    return picture;
}

void AheadPlan::shown(const QString& path, std::unique_ptr<JpegPicture> left)
{
    if (left && !m_shownPath.isEmpty())
        m_kept.put(m_shownPath, std::move(left));
    m_shownPath = path;
    m_largerWanted = m_largerFailed = false;
}

void AheadPlan::plan(const QString& next, const std::vector<QString>& likely,
                     DecodeAhead::Size size, qint64 keepFreeBytes)
{
    // A picture held ahead for another photo joins the kept ones: it may be one of them.
    const QString held = m_ahead.path();
    if (!held.isEmpty() && held != next && m_ahead.status() == DecodeAhead::Status::Ready)
        m_kept.put(held, m_ahead.take(held));

    m_likely.clear();
    for (const QString& path : likely) {
        if (path != next && std::find(m_likely.begin(), m_likely.end(), path) == m_likely.end())
            m_likely.push_back(path);
    }
    m_likelySize = size;
    m_keepFreeBytes = keepFreeBytes;
    // What is let go first leaves its memory to the decodes ordered below.
    std::vector<QString> keep = m_likely;
    keep.push_back(next);
    m_kept.keepOnly(keep);

    if (next.isEmpty()) {
        m_ahead.drop();
    } else if (m_ahead.path() != next && m_kept.holds(next, size)) {
        // Kept already (the photo just left, say): it is the one ahead now, no decode needed.
        if (std::unique_ptr<JpegPicture> picture = m_kept.take(next))
            m_ahead.adopt(next, size, std::move(picture));
        else
            m_ahead.start(next, size, keepFreeBytes);
    } else {
        m_ahead.start(next, size, keepFreeBytes);
    }
    orderLikely();
}

void AheadPlan::select(const QString& path, DecodeAhead::Size size, qint64 keepFreeBytes)
{
    // The photo on display may still wait for its larger decode; otherwise the second worker's
    // steps are no longer likely.
    if (!m_largerWanted)
        m_other.drop(true);
    m_likely.clear();
    std::unique_ptr<JpegPicture> kept =
        m_ahead.path() != path && m_kept.holds(path, size) ? m_kept.take(path) : nullptr;
    m_kept.clear();
    if (kept)
        m_ahead.adopt(path, size, std::move(kept));
    else
        m_ahead.start(path, size, keepFreeBytes);
}

void AheadPlan::orderLikely()
{
    if (m_largerWanted) {
        m_other.start(m_shownPath, DecodeAhead::Size{}, 0);
        return;
    }
    for (const QString& path : m_likely) {
        if (!m_kept.holds(path, m_likelySize) && !m_failed.contains(path)) {
            m_other.start(path, m_likelySize, m_keepFreeBytes);
            return;
        }
    }
    if (!m_other.path().isEmpty())
        m_other.drop(true);
}

AheadPlan::Larger AheadPlan::otherSettled()
{
    Larger larger;
    const QString path = m_other.path();
    const bool forShown = m_largerWanted && path == m_shownPath;
    switch (m_other.status()) {
    case DecodeAhead::Status::Ready: {
        std::unique_ptr<JpegPicture> picture = m_other.take(path);
        if (forShown) {
            larger.settled = true;
            m_largerWanted = false;
            m_largerFailed = !picture; // the file changed: the view finds out itself
            larger.picture = std::move(picture);
        } else {
            m_kept.put(path, std::move(picture));
        }
        break;
    }
    case DecodeAhead::Status::Failed:
        if (forShown) {
            larger.settled = true;
            m_largerWanted = false;
            m_largerFailed = true;
        } else {
            m_failed.insert(path);
        }
        break;
    default:
        return larger; // an order placed since; its own report comes
    }
    orderLikely();
    return larger;
}

bool AheadPlan::wantLarger(bool shownIsDecoded)
{
    if (m_largerFailed || m_shownPath.isEmpty() || !shownIsDecoded)
        return false;
    m_largerWanted = true;
    return true;
}

void AheadPlan::dropAll()
{
    m_ahead.drop();
    m_other.drop();
    m_kept.clear();
    m_failed.clear();
    m_likely.clear();
    m_largerWanted = false;
}
