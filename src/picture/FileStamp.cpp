#include "picture/FileStamp.h"

#include "platform/FileNameCodec.h"

#include <sys/stat.h>

FileStamp FileStamp::of(const struct stat& info)
{
    FileStamp stamp;
    stamp.size = qint64(info.st_size);
    stamp.modifiedNs = qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    stamp.inode = quint64(info.st_ino);
    stamp.device = quint64(info.st_dev);
    return stamp;
}

std::optional<FileStamp> FileStamp::of(const QString& path)
{
    struct stat info;
    if (::stat(FileNameCodec::toDisk(path).constData(), &info) != 0)
        return std::nullopt;
    return of(info);
}
