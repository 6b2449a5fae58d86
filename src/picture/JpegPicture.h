#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

#include "picture/ColourProfile.h"
#include "picture/FileStamp.h"
#include "picture/PictureBudget.h"

// The photo as the view holds it: loading reads the file and its JPEG header (so width and
// height are known at once); the pixels are decoded later, at best quality and full size
// (or the reduced size of setMinimumDecodeSize),
// straight into a QImage::Format_RGB32 that Qt paints fastest. The picture is held once.
// Everything about it is upright and in the screen's colours: the EXIF orientation is applied
// (width() and height() are the upright size) and an embedded ICC profile is converted, so
// no caller needs to know how the file stored it.
class JpegPicture
{
public:
    enum class ProgressStage { Starting, Running, Ending };
    // percent 0..100. Running reports come at most every 500 ms and only when the percentage
    // changed; a decode within half a second reports only Starting and Ending.
    using ProgressCallback = std::function<void(ProgressStage stage, int percent)>;

    JpegPicture();
    ~JpegPicture();
    JpegPicture(const JpegPicture&) = delete;
    JpegPicture& operator=(const JpegPicture&) = delete;

    // Loads a picture file, choosing its type by extension ("jpg", "jpeg", any case).
    // Throws QirvaError with "ファイル <path> は開けません", "JPEG エラー #<n>" or
    // "拡張子 .<ext> の画像形式は処理できません". A header announcing a picture whose decode
    // (pixels and, for a multi-scan file, its coefficients) exceeds the picture budget is
    // refused here, before anything is allocated.
    static std::unique_ptr<JpegPicture> load(const QString& path);

    int width() const { return m_width; }
    int height() const { return m_height; }

    // The orientation tag the file carries itself (1..8), 0 when it has none (or a damaged
    // one); and the one applied (1 when ExifOrientation is switched off).
    int exifOrientation() const { return m_exifTag; }
    int orientation() const { return m_orientation; }

    // What a preview copy needs to know of its photo: the orientation the photo is shown in and
    // the size its pixels are stored at.
    struct StoredShape
    {
        int orientation = 1;
        QSize size;
    };
    // Reads only the photo's header; {1, empty} when it cannot be read.
    static StoredShape storedShapeOf(const QString& photoPath);
    // A preview copy without an orientation tag of its own, stored in the same shape as its
    // photo (camera software often wrote such copies without EXIF), takes the photo's
    // orientation. Does nothing once decoded or when the copy has a tag.
    void followPhotoOrientation(const StoredShape& photo);
    // The file as it was when load() read it.
    const FileStamp& fileStamp() const { return m_fileStamp; }
    // The memory a decode covering `cover` (the full size when it is empty) takes from the
    // budget at its peak beside the file: the pixels and, for a multi-scan file, the
    // coefficients.
    qint64 decodeBytes(QSize cover = {}) const;

    // A picture drawn smaller than it is may be decoded smaller: at the smallest of libjpeg's
    // DCT scales whose result still covers `size` (device pixels). width() and height() stay
    // the natural size. Asking for more than the pixels hold after a reduced decode makes the
    // picture undecoded again, so the next decode() gives the larger scale.
    void setMinimumDecodeSize(QSize size);

    bool isDecoded() const { return m_decoded; }
    // Decodes the pixels (once). Returns the text of a fatal decoding error, empty on success;
    // what could be decoded before the error stays in image(). The pixels are taken from the
    // picture budget for as long as this picture lives; data that ends early stops the decode
    // there, without an error. A file of more scans than encoders write (a hundred, fewer for
    // a large picture) fails as "JPEG エラー #1001".
    QString decode(const ProgressCallback& progress = {});
    // The decoded pixels once decode() has returned; rows a failed decode did not reach are
    // grey. Null before decode().
    const QImage& image() const { return m_image; }
    // May be called from any thread, also while decode() runs in another: the decode stops at
    // libjpeg's next progress check (every row group) with an error, and its pixels are let go.
    // The picture is of no use afterwards.
    void abandon();
    // Rows at the top of image() that hold pixels: those decoded so far while decode() runs
    // (for drawing a partly decoded photo from its progress reports), all once it returned.
    // A picture turned by its orientation fills in columns or from the bottom: none count
    // until it is complete.
    int decodedRows() const { return m_decodedRows; }

private:
    QByteArray m_data;   // the whole file, so the decode needs no second read; freed by a
                         // full-size decode, kept by a reduced one for a larger decode later
    PictureBudget::Reservation m_dataReservation;
    PictureBudget::Reservation m_pixelReservation;
    FileStamp m_fileStamp;
    std::atomic<bool> m_abandoned{false};
    qint64 m_coefficientBytes = 0; // held only while decoding a multi-scan file
    std::shared_ptr<const ColourProfile::Transform> m_colour; // null: the colours stay
    // The upright size; the stored one is what the file's pixels are.
    int m_width = 0;
    int m_height = 0;
    QSize m_storedSize;
    int m_exifTag = 0;
    int m_orientation = 1;
    int m_scaleEighths = 8; // decode at this many eighths of the natural size
    bool m_decoded = false;
    int m_decodedRows = 0;
    QImage m_image;
};
