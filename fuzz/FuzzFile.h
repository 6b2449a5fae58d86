#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdlib>

#include <unistd.h>

// The fuzzed layers read files by path: each input is written to one scratch file of this
// process, removed at exit.
inline QString fuzzFile(const char* name, const uint8_t* data, size_t size)
{
    static const QString path = [name] {
        const QString p = QDir::tempPath() + QStringLiteral("/qirva-fuzz-%1-%2")
                                                 .arg(::getpid())
                                                 .arg(QString::fromLatin1(name));
        static QByteArray encoded = QFile::encodeName(p);
        std::atexit([] { ::unlink(encoded.constData()); });
        return p;
    }();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        std::abort();
    return path;
}
