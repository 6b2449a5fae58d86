#pragma once

#include <QSize>
#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class JpegPicture;

// Loads and decodes, in a worker thread, the one picture the user is likely to ask for next, and
// hands it over when asked. At most one picture is in flight or held. Its memory comes from the
// picture budget like any other picture's; it is decoded only when the budget still holds it
// beside the bytes the caller keeps free. A picture that fails to load or decode is thrown away
// without a word: the normal path reports the error when that photo is shown.
//
// Called from one thread (the user interface's). The worker touches nothing but the file and
// the picture it decodes.
class DecodeAhead
{
public:
    // The size to decode at: the natural size fitted into `box`, times the device pixel ratio;
    // the full size when the box is empty.
    struct Size
    {
        QSize box;
        qreal devicePixelRatio = 1.0;
        bool operator==(const Size&) const = default;
    };
    // The size the view will ask a picture of that natural size to cover, in device pixels.
    static QSize drawnSize(const Size& size, QSize natural);

    enum class Status { None, Working, Ready, Failed };

    DecodeAhead();
    // Abandons the decode in flight and waits for the worker to stop.
    ~DecodeAhead();
    DecodeAhead(const DecodeAhead&) = delete;
    DecodeAhead& operator=(const DecodeAhead&) = delete;

    // Decodes the picture at `path` ahead, in place of any other. For the path already ahead
    // the picture is kept when the new size gives the same decode scale. keepFreeBytes: budget
    // that the picture must leave for others (the photo on display growing to its full size).
    void start(const QString& path, Size size, qint64 keepFreeBytes);
    // Lets the picture go; a decode in flight is abandoned, not waited for. The spare pixel
    // blocks are freed too unless `keepSpare` (a picture about to be decoded may take one).
    void drop(bool keepSpare = false);
    // The picture decoded ahead for `path` when the file is unchanged since it was read,
    // waiting for its decode when it is still in flight; null otherwise (another path, a
    // failed load or decode, a file rewritten or removed since). Nothing is ahead afterwards.
    std::unique_ptr<JpegPicture> take(const QString& path);
    // The path being decoded ahead or held; empty when there is none.
    QString path() const;
    // Where the picture at path() stands: Failed when its load or decode failed (the path is
    // kept, so that it is not ordered again).
    Status status() const;
    // Holds a picture decoded elsewhere as the one ahead for `path`, in place of any other.
    void adopt(const QString& path, Size size, std::unique_ptr<JpegPicture> picture);
    // Called from the worker each time the picture of the present order is ready or has
    // failed; it must do no more than post a message to the thread that owns this object.
    void setOnSettled(std::function<void()> onSettled);

private:
    struct Order
    {
        QString path;
        Size size;
        qint64 keepFreeBytes = 0;
        quint64 generation = 0;
    };

    void run();
    std::unique_ptr<JpegPicture> loadAndDecode(const Order& order);
    // Forgets the present picture; returns a held one for the caller to destroy unlocked.
    std::unique_ptr<JpegPicture> dropLocked();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;  // the worker: an order, or the stop
    std::condition_variable m_ended; // take(): the worker finished a picture
    // Each order and each drop starts a generation; the worker throws away what it made for an
    // older one.
    quint64 m_generation = 0;
    QString m_path;                // of this generation's picture; empty for none
    Size m_size;                   // the size it was ordered at
    int m_eighths = 0;             // its decode scale, once its header has been read
    QSize m_natural;               // and its natural size
    std::optional<Order> m_order;  // waiting for the worker
    quint64 m_working = 0;         // the generation the worker is loading or decoding, 0 idle
    JpegPicture* m_decoding = nullptr; // the picture in the worker's decode, to abandon
    std::unique_ptr<JpegPicture> m_ready;
    std::function<void()> m_onSettled;
    bool m_stop = false;
    std::thread m_worker; // last: started once everything above is in place
};
