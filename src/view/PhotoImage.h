#pragma once

#include <QWidget>

#include <functional>
#include <memory>

#include "picture/JpegPicture.h"

// The main photo (and the preview): draws its picture stretched to its own size. The picture
// is decoded when it is first about to be painted, never inside the paint event itself.
class PhotoImage : public QWidget
{
    Q_OBJECT
public:
    explicit PhotoImage(QWidget* parent = nullptr);
    ~PhotoImage() override;

    bool hasPicture() const { return bool(m_picture); }
    // Whether the picture's first decode has been reported (made, or found made, at its
    // first paint).
    bool firstDecodeReported() const { return m_firstDecodeDone; }
    const JpegPicture* picture() const { return m_picture.get(); }
    // Takes the new picture; the previous one is released now.
    void setPicture(std::unique_ptr<JpegPicture> picture);
    // Takes the new picture and hands back the previous one when it was decoded whole without
    // an error (null otherwise), for showing it again later.
    std::unique_ptr<JpegPicture> replacePicture(std::unique_ptr<JpegPicture> picture);
    // Takes a larger decode of the picture on show, made elsewhere, in its place: silently,
    // as a larger decode made here would be. Ignored when it is not of the same photo size or
    // no larger.
    void takeLargerDecode(std::unique_ptr<JpegPicture> picture);
    // The picture's pixels are fewer than the control needs at its present size.
    bool needsLargerDecode() const;
    // Asked, when the picture needs a decode (its first, or a larger one), whether it is made
    // elsewhere: meanwhile a picture not yet decoded is not drawn, and one decoded smaller is
    // drawn scaled up, so the window never waits for it. When unset or answering false, the
    // decode is made here before the next paint.
    void setDecodeElsewhere(std::function<bool()> ask) { m_elsewhere = std::move(ask); }
    int pictureWidth() const { return m_picture ? m_picture->width() : 0; }
    int pictureHeight() const { return m_picture ? m_picture->height() : 0; }

    // Decode the picture no larger than it is drawn: at the smallest of libjpeg's DCT scales
    // that still covers the control (again, larger, when the control grows). A photo fitted
    // to the view then costs a fraction of a full decode, and holds a fraction of its memory.
    void setDecodeToDrawnSize(bool on) { m_decodeToDrawnSize = on; }

    // On: while the picture decodes, the rows decoded so far are drawn at each progress report
    // that brings new ones. Off: the picture shows only once decoded. Takes effect from the
    // next progress report.
    bool incrementalDisplay() const { return m_incremental; }
    void setIncrementalDisplay(bool on) { m_incremental = on; }

    // Sets the client size; the height first, as the layout code expects.
    void setClientHeight(int height) { resize(width(), height); }
    void setClientWidth(int width) { resize(width, height()); }

    // Decodes a picture that is about to be shown and is not decoded yet. Called before the
    // window paints; does nothing while hidden.
    void decodeIfNeeded();
    // The picture's pixels at full size, decoding them now when no paint has asked for them yet
    // or only a reduced decode was made. Null without a picture.
    const QImage& fullSizeImage();

signals:
    // The stages of each picture's first decode only: a later, larger decode of the same
    // picture is silent. A picture that arrives already decoded reports Starting 0 and
    // Ending 100 when it would have been decoded, as a quick decode does.
    void progress(JpegPicture::ProgressStage stage, int percent);
    // A fatal decoding error, reported once for each picture.
    void decodeFailed(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void decodeNow();
    void paintNewRows();

    std::unique_ptr<JpegPicture> m_picture;
    std::function<bool()> m_elsewhere;
    bool m_incremental = false;
    bool m_decodeToDrawnSize = false;
    bool m_decoding = false;
    bool m_decodeQueued = false;
    bool m_firstDecodeDone = false; // this picture's first decode has been reported
    bool m_errorReported = false;
    int m_paintedRows = 0; // picture rows drawn so far during an incremental decode
};
