#include "platform/FileNameCodec.h"

#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <mutex>

#include <iconv.h>

namespace FileNameCodec {

namespace {

constexpr char16_t escapeBase = 0xDC00; // byte b (0x80..0xFF) is kept as U+DC00 + b

// The length of the valid UTF-8 sequence at bytes[i], or 0 when none starts there.
int sequenceLength(const QByteArray& bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) { return k < bytes.size() ? uchar(bytes[k]) : 0u; };
    const unsigned b0 = at(i);
    if (b0 < 0x80)
        return 1;
    const auto cont = [&](qsizetype k) { return (at(k) & 0xC0) == 0x80; };
    if (b0 >= 0xC2 && b0 <= 0xDF)
        return cont(i + 1) ? 2 : 0;
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        const unsigned b1 = at(i + 1);
        if ((b0 == 0xE0 && b1 < 0xA0) || (b0 == 0xED && b1 >= 0xA0)) // overlong; surrogates
            return 0;
        return cont(i + 1) && cont(i + 2) ? 3 : 0;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        const unsigned b1 = at(i + 1);
        if ((b0 == 0xF0 && b1 < 0x90) || (b0 == 0xF4 && b1 >= 0x90)) // overlong; past U+10FFFF
            return 0;
        return cont(i + 1) && cont(i + 2) && cont(i + 3) ? 4 : 0;
    }
    return 0;
}

// Whether text[i] is an escaped byte: a lone low surrogate in U+DC80..U+DCFF. The second half
// of a real pair (U+1F4A9 is D83D DCA9) lies in the same range and is none.
bool escapedAt(QStringView text, qsizetype i)
{
    const char16_t c = text[i].unicode();
    return c >= escapeBase + 0x80 && c <= escapeBase + 0xFF &&
           (i == 0 || !text[i - 1].isHighSurrogate());
}

bool hasEscapes(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (escapedAt(text, i))
            return true;
    }
    return false;
}

bool isAscii(const QByteArray& bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

// glibc's CP932, strict: a byte sequence it does not map fails the whole name.
bool decodeCp932(const QByteArray& bytes, QString& text)
{
    static std::mutex lock;
    static iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == iconv_t(-1))
        return false;
    // Every CP932 character takes at most three bytes of UTF-8.
    QByteArray out(bytes.size() * 3 + 4, Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    char* to = out.data();
    size_t outLeft = size_t(out.size());
    const std::lock_guard<std::mutex> guard(lock);
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    const size_t done = iconv(converter, &in, &inLeft, &to, &outLeft);
    if (done == size_t(-1) || inLeft != 0)
        return false;
    out.truncate(qsizetype(to - out.data()));
    text = QString::fromUtf8(out);
    return true;
}

} // namespace

bool isUtf8(const QByteArray& bytes)
{
    for (qsizetype i = 0; i < bytes.size();) {
        const int n = sequenceLength(bytes, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

QString fromDisk(const QByteArray& bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    QString text;
    text.reserve(bytes.size());
    qsizetype start = 0; // the run of valid UTF-8 not yet appended
    qsizetype i = 0;
    while (i < bytes.size()) {
        const int n = sequenceLength(bytes, i);
        if (n > 0) {
            i += n;
            continue;
        }
        text += QString::fromUtf8(bytes.constData() + start, i - start);
        text += QChar(char16_t(escapeBase + uchar(bytes[i])));
        start = ++i;
    }
    text += QString::fromUtf8(bytes.constData() + start, i - start);
    return text;
}

QByteArray toDisk(const QString& path)
{
    if (!hasEscapes(path))
        return path.toUtf8();
    QByteArray bytes;
    bytes.reserve(path.size() * 3);
    qsizetype start = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (!escapedAt(path, i))
            continue;
        bytes += QStringView(path).mid(start, i - start).toUtf8();
        bytes += char(path[i].unicode() - escapeBase);
        start = i + 1;
    }
    bytes += QStringView(path).mid(start).toUtf8();
    return bytes;
}

QString shown(const QByteArray& bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    if (isUtf8(bytes))
        return QString::fromUtf8(bytes);
    QString text;
    if (decodeCp932(bytes, text))
        return text;
    // Neither: each byte that is not part of valid UTF-8 stands as one U+FFFD.
    text = fromDisk(bytes);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (escapedAt(text, i))
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

QString shownPath(const QString& path)
{
    const QByteArray bytes = toDisk(path);
    if (isUtf8(bytes))
        return path;
    QStringList parts;
    for (const QByteArray& part : bytes.split('/'))
        parts.append(shown(part));
    return parts.join(QLatin1Char('/'));
}

} // namespace FileNameCodec
