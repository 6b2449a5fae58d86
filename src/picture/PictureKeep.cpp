#include "picture/PictureKeep.h"

#include <algorithm>
#include <optional>

#include "picture/DecodeScale.h"
#include "picture/FileStamp.h"
#include "picture/JpegPicture.h"

PictureKeep::PictureKeep() = default;
PictureKeep::~PictureKeep() = default;

void PictureKeep::put(const QString& path, std::unique_ptr<JpegPicture> picture)
{
    if (!picture)
        return;
    for (Entry& entry : m_pictures) {
        if (entry.path == path) {
            entry.picture = std::move(picture);
            return;
        }
    }
    m_pictures.push_back({path, std::move(picture)});
}

std::unique_ptr<JpegPicture> PictureKeep::take(const QString& path)
{
    const auto found = std::find_if(m_pictures.begin(), m_pictures.end(),
                                    [&](const Entry& entry) { return entry.path == path; });
    if (found == m_pictures.end())
        return nullptr;
    std::unique_ptr<JpegPicture> picture = std::move(found->picture);
    m_pictures.erase(found);
    const std::optional<FileStamp> now = FileStamp::of(path);
    if (!now || *now != picture->fileStamp())
        picture.reset();
    return picture;
}

bool PictureKeep::holds(const QString& path, const DecodeAhead::Size& size) const
{
    for (const Entry& entry : m_pictures) {
        if (entry.path != path)
            continue;
        const QSize natural(entry.picture->width(), entry.picture->height());
        const QSize needed = DecodeScale::scaled(
            natural, DecodeScale::eighthsToCover(natural, DecodeAhead::drawnSize(size, natural)));
        const QSize held = entry.picture->image().size();
        return held.width() >= needed.width() && held.height() >= needed.height();
    }
    return false;
}

void PictureKeep::keepOnly(const std::vector<QString>& paths)
{
    std::erase_if(m_pictures, [&](const Entry& entry) {
        return std::find(paths.begin(), paths.end(), entry.path) == paths.end();
    });
}

void PictureKeep::clear()
{
    m_pictures.clear();
}
