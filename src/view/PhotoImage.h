#pragma once

#include <QWidget>

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
    const JpegPicture* picture() const { return m_picture.get(); }
    // Takes the new picture; the previous one is released now.
    void setPicture(std::unique_ptr<JpegPicture> picture);
    int pictureWidth() const { return m_picture ? m_picture->width() : 0; }
    int pictureHeight() const { return m_picture ? m_picture->height() : 0; }

    bool incrementalDisplay() const { return m_incremental; }
    void setIncrementalDisplay(bool on) { m_incremental = on; }

    // Sets the client size; the height first, as the layout code expects.
    void setClientHeight(int height) { resize(width(), height); }
    void setClientWidth(int width) { resize(width, height()); }

    // Decodes a picture that is about to be shown and is not decoded yet. Called before the
    // window paints; does nothing while hidden.
    void decodeIfNeeded();
    // The picture's full decoded pixels, decoding them now when no paint has asked for them
    // yet (progress and errors are reported as for a paint). Null without a picture.
    const QImage& decodedImage();

signals:
    void progress(JpegPicture::ProgressStage stage, int percent);
    // A fatal decoding error, reported once for each picture.
    void decodeFailed(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void decodeNow();

    std::unique_ptr<JpegPicture> m_picture;
    bool m_incremental = false;
    bool m_decoding = false;
    bool m_decodeQueued = false;
};
