#include "picture/ColourProfile.h"

#include <QHash>

#include <cmath>
#include <mutex>

#include <lcms2.h>

namespace ColourProfile {

namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr cmsUInt32Number rgb32Format = TYPE_BGRA_8;
#else
constexpr cmsUInt32Number rgb32Format = TYPE_ARGB_8;
#endif

// Photos of one camera share one profile; a handful of transforms is all a library needs.
constexpr qsizetype maxCachedTransforms = 16;

struct ProfileCloser
{
    void operator()(void* profile) const { cmsCloseProfile(cmsHPROFILE(profile)); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

Profile openRgbProfile(const QByteArray& icc)
{
    if (icc.isEmpty())
        return Profile(cmsCreate_sRGBProfile());
    Profile profile(cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size())));
    if (profile && cmsGetColorSpace(profile.get()) != cmsSigRgbData)
        profile.reset();
    return profile;
}

// Two matrix/TRC profiles with the same primaries and tone curves convert to each other as
// the identity (within what 8 bits can show): comparing them is far cheaper than converting.
bool sameMatrixShaper(void* a, void* b)
{
    const cmsTagSignature colorants[] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                         cmsSigBlueColorantTag};
    for (cmsTagSignature tag : colorants) {
        const auto* x = static_cast<const cmsCIEXYZ*>(cmsReadTag(a, tag));
        const auto* y = static_cast<const cmsCIEXYZ*>(cmsReadTag(b, tag));
        if (!x || !y || std::abs(x->X - y->X) > 0.002 || std::abs(x->Y - y->Y) > 0.002 ||
            std::abs(x->Z - y->Z) > 0.002)
            return false;
    }
    const cmsTagSignature curves[] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    for (cmsTagSignature tag : curves) {
        const auto* x = static_cast<const cmsToneCurve*>(cmsReadTag(a, tag));
        const auto* y = static_cast<const cmsToneCurve*>(cmsReadTag(b, tag));
        if (!x || !y)
            return false;
        for (int i = 0; i <= 32; ++i) {
            const float v = float(i) / 32.0f;
            if (std::abs(cmsEvalToneCurveFloat(x, v) - cmsEvalToneCurveFloat(y, v)) > 0.002f)
                return false;
        }
    }
    return true;
}

struct Cache
{
    std::mutex lock;
    QByteArray target; // the display profile; empty for sRGB
    QHash<QByteArray, std::shared_ptr<const Transform>> transforms;
};

Cache& cache()
{
    static Cache instance;
    return instance;
}

std::shared_ptr<const Transform> makeTransform(const QByteArray& icc, const QByteArray& target)
{
    const Profile source = openRgbProfile(icc);
    Profile screen = openRgbProfile(target);
    if (!screen)
        screen = openRgbProfile({});
    if (!source || !screen || sameMatrixShaper(source.get(), screen.get()))
        return nullptr;
    // No cache inside the transform: several threads may convert with it at once.
    cmsHTRANSFORM handle = cmsCreateTransform(source.get(), rgb32Format, screen.get(), rgb32Format,
                                              INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
    if (!handle)
        return nullptr;
    return std::make_shared<const Transform>(handle);
}

} // namespace

Transform::~Transform()
{
    cmsDeleteTransform(cmsHTRANSFORM(m_handle));
}

void Transform::apply(QRgb* pixels, qsizetype count) const
{
    cmsDoTransform(cmsHTRANSFORM(m_handle), pixels, pixels, cmsUInt32Number(count));
}

std::shared_ptr<const Transform> transformFor(const QByteArray& iccProfile)
{
    Cache& c = cache();
    const std::lock_guard<std::mutex> guard(c.lock);
    // The common case, a photo without a profile on an sRGB screen, touches nothing.
    if (iccProfile.isEmpty() && c.target.isEmpty())
        return nullptr;
    const auto known = c.transforms.constFind(iccProfile);
    if (known != c.transforms.constEnd())
        return *known;
    std::shared_ptr<const Transform> transform = makeTransform(iccProfile, c.target);
    if (c.transforms.size() >= maxCachedTransforms)
        c.transforms.clear();
    c.transforms.insert(iccProfile, transform);
    return transform;
}

void setDisplayProfile(const QByteArray& iccProfile)
{
    Cache& c = cache();
    const std::lock_guard<std::mutex> guard(c.lock);
    c.transforms.clear();
    const Profile screen = openRgbProfile(iccProfile);
    const Profile srgb = openRgbProfile({});
    // A display profile equal to sRGB changes nothing: keep the no-cost path.
    c.target = screen && !sameMatrixShaper(screen.get(), srgb.get()) ? iccProfile : QByteArray();
}

} // namespace ColourProfile
