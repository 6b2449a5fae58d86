#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

struct stat;

// What tells one state of a file from another: rewriting it changes its size or modification
// time, replacing it (a new file renamed over it) changes its inode.
struct FileStamp
{
    qint64 size = 0;
    qint64 modifiedNs = 0;
    quint64 inode = 0;
    quint64 device = 0;

    bool operator==(const FileStamp&) const = default;

    static FileStamp of(const struct stat& info);
    // The stamp of the file at the path now; none when it cannot be queried (gone, unreadable
    // folder).
    static std::optional<FileStamp> of(const QString& path);
};
