#include "HostileJpeg.h"

#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "JpegWriter.h"

namespace HostileJpeg {

namespace {

void put16(QByteArray& out, int value)
{
    out.append(char((value >> 8) & 0xff));
    out.append(char(value & 0xff));
}

void marker(QByteArray& out, int code, const QByteArray& payload)
{
    out.append(char(0xff));
    out.append(char(code));
    put16(out, int(payload.size()) + 2);
    out.append(payload);
}

QByteArray quantTable()
{
    QByteArray q(1, 0); // 8-bit table 0
    q.append(QByteArray(64, 1));
    return q;
}

// A Huffman table of `symbols`, every code four bits long (16 codes fit; all are used).
QByteArray huffmanTable(int tableClass, const std::vector<int>& symbols)
{
    QByteArray t(1, char(tableClass << 4));
    for (int length = 1; length <= 16; ++length)
        t.append(char(length == 4 ? symbols.size() : 0));
    for (int s : symbols)
        t.append(char(s));
    return t;
}

QByteArray frame(int sofCode, int width, int height, bool colour)
{
    QByteArray f;
    f.append(char(8));
    put16(f, height);
    put16(f, width);
    if (colour) {
        f.append(char(3));
        f.append("\x01\x22\x00\x02\x11\x00\x03\x11\x00", 9);
    } else {
        f.append(char(1));
        f.append("\x01\x11\x00", 3);
    }
    QByteArray out;
    marker(out, sofCode, f);
    return out;
}

// Entropy-coded bits, most significant first, with 0xFF bytes stuffed.
class BitWriter
{
public:
    void put(unsigned bits, int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            m_byte = (m_byte << 1) | ((bits >> i) & 1);
            if (++m_count == 8)
                flushByte();
        }
    }
    QByteArray finish()
    {
        while (m_count != 0)
            put(1, 1);
        return m_out;
    }

private:
    void flushByte()
    {
        m_out.append(char(m_byte));
        if (m_byte == 0xff)
            m_out.append(char(0));
        m_byte = 0;
        m_count = 0;
    }
    QByteArray m_out;
    unsigned m_byte = 0;
    int m_count = 0;
};

QByteArray headerStart()
{
    QByteArray out("\xff\xd8", 2);
    marker(out, 0xdb, quantTable());
    return out;
}

} // namespace

QByteArray manyEmptyScans(int width, int height, int scans)
{
    QByteArray out = headerStart();
    out.append(frame(0xc2, width, height, false));
    // End-of-band runs EOB0..EOB14: symbol r<<4, then r extra bits.
    std::vector<int> symbols;
    for (int r = 0; r <= 14; ++r)
        symbols.push_back(r << 4);
    marker(out, 0xc4, huffmanTable(1, symbols));

    const long long blocks = (long long)((width + 7) / 8) * ((height + 7) / 8);
    BitWriter bits;
    for (long long left = blocks; left > 0;) {
        const long long run = std::min(left, 32767LL);
        int r = 0;
        while ((2LL << r) <= run)
            ++r;
        bits.put(unsigned(r), 4); // the code of symbol r<<4 is its index
        bits.put(unsigned(run - (1LL << r)), r);
        left -= run;
    }
    const QByteArray data = bits.finish();
    QByteArray sos;
    sos.append("\x01\x01\x00\x01\x3f\x00", 6); // one component, AC 1..63, first pass
    for (int i = 0; i < scans; ++i) {
        marker(out, 0xda, sos);
        out.append(data);
    }
    out.append("\xff\xd9", 2);
    return out;
}

QByteArray progressiveHeaderOnly(int width, int height)
{
    QByteArray out = headerStart();
    out.append(frame(0xc2, width, height, true));
    marker(out, 0xc4, huffmanTable(0, {0}));
    marker(out, 0xda, QByteArray("\x03\x01\x00\x02\x00\x03\x00\x00\x00\x00", 10));
    out.append("\xff\xd9", 2);
    return out;
}

QByteArray baselineHeaderOnly(int width, int height)
{
    QByteArray out = headerStart();
    out.append(frame(0xc0, width, height, true));
    marker(out, 0xc4, huffmanTable(0, {0}));
    marker(out, 0xc4, huffmanTable(1, {0}));
    marker(out, 0xda, QByteArray("\x03\x01\x00\x02\x00\x03\x00\x00\x3f\x00", 10));
    out.append("\xff\xd9", 2);
    return out;
}

QByteArray asTwelveBit(const QByteArray& jpeg)
{
    QByteArray out = jpeg;
    const qsizetype sof = out.indexOf(QByteArray("\xff\xc0", 2));
    if (sof >= 0) {
        out[sof + 1] = char(0xc1);
        out[sof + 4] = char(12);
    }
    return out;
}

QByteArray withRestartMarkers(int width, int height)
{
    const QImage rgb = JpegWriter::photoLike(width, height, 3).convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    cinfo.restart_in_rows = 1;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return out;
}

QByteArray corruptRestartMarkers(const QByteArray& jpeg)
{
    QByteArray out = jpeg;
    const qsizetype scan = out.indexOf(QByteArray("\xff\xda", 2));
    int seen = 0;
    for (qsizetype i = scan + 2; i + 1 < out.size(); ++i) {
        const uchar code = uchar(out[i + 1]);
        if (uchar(out[i]) == 0xff && code >= 0xd0 && code <= 0xd7 && ++seen > 2)
            out[i + 1] = char(0xd0 + ((code - 0xd0 + 3) & 7));
    }
    return out;
}

} // namespace HostileJpeg
