#pragma once

#include <QSize>
#include <QString>

#include <memory>
#include <vector>

#include "picture/DecodeAhead.h"

class JpegPicture;

// Decoded pictures kept by path for photos the user is likely to show again soon: the one
// just left (for going back) and those decoded ahead for the other directions. Only whole,
// error-free decodes are kept; each counts against the picture budget for as long as it is
// held. Used from one thread.
class PictureKeep
{
public:
    PictureKeep();
    ~PictureKeep();
    PictureKeep(const PictureKeep&) = delete;
    PictureKeep& operator=(const PictureKeep&) = delete;

    // Keeps the picture for `path`, in place of one kept for it before.
    void put(const QString& path, std::unique_ptr<JpegPicture> picture);
    // The picture kept for `path` when the file is unchanged since it was read; null
    // otherwise. It is no longer kept afterwards.
    std::unique_ptr<JpegPicture> take(const QString& path);
    // Whether a picture is kept for `path` decoded large enough for the view to draw it at
    // `size` without decoding it again.
    bool holds(const QString& path, const DecodeAhead::Size& size) const;
    // Lets go of every picture but those of `paths`.
    void keepOnly(const std::vector<QString>& paths);
    void clear();
    int count() const { return int(m_pictures.size()); }

private:
    struct Entry
    {
        QString path;
        std::unique_ptr<JpegPicture> picture;
    };
    std::vector<Entry> m_pictures;
};
