#pragma once

#include <QByteArray>
#include <QString>

// File names are bytes on disk; the program needs them as text twice over. As a path, the
// text must give back exactly the bytes it came from (a library copied from a Windows disk
// names its files in Shift-JIS, which is no UTF-8), so every file operation goes through
// toDisk(). As a name the user reads, the bytes are decoded as UTF-8, else as CP932, else
// with each bad byte as U+FFFD.
namespace FileNameCodec {

// The bytes as path text: UTF-8 decoded, and each byte that is not part of valid UTF-8 kept
// as the lone surrogate U+DC80 + (byte - 0x80). Such surrogates never come from valid UTF-8,
// so the mapping cannot mix two names up.
QString fromDisk(const QByteArray& bytes);
// The bytes a path text stands for: the inverse of fromDisk().
QByteArray toDisk(const QString& path);

// The name as the user reads it: UTF-8 when valid, else CP932 when valid, else UTF-8 with
// each bad byte as U+FFFD.
QString shown(const QByteArray& bytes);
// A path text (from fromDisk) as the user reads it, each part decoded by shown().
QString shownPath(const QString& path);

// Whether the bytes are valid UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool isUtf8(const QByteArray& bytes);

} // namespace FileNameCodec
