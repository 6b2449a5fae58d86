#pragma once

#include <QByteArray>
#include <QRgb>

#include <memory>

// Colour management of the picture layer (Little CMS 2): a photo's embedded ICC profile is
// converted to the screen's colours, sRGB or the display profile the X screen carries. A
// photo without a profile counts as sRGB. Whatever needs no conversion (an sRGB photo on an
// sRGB screen) gets no transform at all, so it costs nothing.
namespace ColourProfile {

// One conversion, shared by every picture with the same profile and safe to run from several
// threads at once.
class Transform
{
public:
    explicit Transform(void* handle) : m_handle(handle) {}
    ~Transform();
    Transform(const Transform&) = delete;
    Transform& operator=(const Transform&) = delete;

    // Converts Format_RGB32 pixels in place; the padding byte stays 0xff.
    void apply(QRgb* pixels, qsizetype count) const;

private:
    void* m_handle; // cmsHTRANSFORM
};

// The transform from a photo's embedded profile (empty: none) to the screen's colours; null
// when nothing is to be done: the profile equals the target, or is damaged, unusable or not
// an RGB profile (the photo then shows as stored). Transforms are cached by profile.
std::shared_ptr<const Transform> transformFor(const QByteArray& iccProfile);

// The display profile to convert to instead of sRGB (the X root window's _ICC_PROFILE);
// empty, damaged or not RGB: sRGB. Forgets the cached transforms.
void setDisplayProfile(const QByteArray& iccProfile);

} // namespace ColourProfile
