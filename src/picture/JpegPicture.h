#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>
#include <memory>

#include "picture/PictureBudget.h"

// The photo as the view holds it: loading reads the file and its JPEG header (so width and
// height are known at once); the pixels are decoded later, at full size and best quality,
// straight into a QImage::Format_RGB32 that Qt paints fastest. The picture is held once.
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

private:
    QByteArray m_data;   // the whole file, so the decode needs no second read; freed by it
    PictureBudget::Reservation m_dataReservation;
    PictureBudget::Reservation m_pixelReservation;
    qint64 m_coefficientBytes = 0; // held only while decoding a multi-scan file
    int m_width = 0;
    int m_height = 0;
    bool m_decoded = false;
    QImage m_image;
};
