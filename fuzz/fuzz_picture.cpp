// Load, decode and progress reporting of one JPEG file of any content.
#include <cstdint>
#include <cstdlib>

#include "FuzzFile.h"
#include "picture/JpegPicture.h"
#include "picture/PictureBudget.h"
#include "platform/QirvaError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A small budget keeps a header of 65,500 x 65,500 from costing a gigabyte per input;
    // the decoder's paths are the same at any size.
    PictureBudget::setLimit(qint64(32) << 20);
    const QString path = fuzzFile("picture.jpg", data, size);
    try {
        auto picture = JpegPicture::load(path);
        int last = -1;
        bool ended = false;
        const QString error = picture->decode([&](JpegPicture::ProgressStage stage, int percent) {
            if (percent < 0 || percent > 100 || ended)
                std::abort();
            ended = stage == JpegPicture::ProgressStage::Ending;
            last = percent;
        });
        const QImage& image = picture->image();
        if (!ended || last != (error.isEmpty() ? 100 : 0))
            std::abort();
        if (error.isEmpty() && image.size() != QSize(picture->width(), picture->height()))
            std::abort();
        if (!error.isEmpty() && !error.startsWith(QStringLiteral("JPEG エラー #")))
            std::abort();
    } catch (const QirvaError&) {
        // A refused file is a good outcome; the layer must only never crash or overrun.
    }
    if (PictureBudget::inUse() != 0)
        std::abort(); // every picture gives back what it took
    return 0;
}
