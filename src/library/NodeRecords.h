#pragma once

#include <QString>

// Record attached to an album node of the folder tree.
struct TDirNameRec
{
    QString DirName;     // as shown (a Windows disk's Shift-JIS name decoded)
    QString DiskDirName; // as on disk: the path text every file operation uses (FileNameCodec)
    qint32 FileCount = 0;
    qint32 FirstNodeIndex = 0;
    qint32 LastNodeIndex = 0;
};

// Record attached to a photo node of the folder tree.
struct TFileNameRec
{
    QString FileName; // as shown
    QString DirName;  // as shown
    qint32 FileNo = 0;
    qint32 FileCount = 0;
    qint32 NodeIndex = 0;
    qint32 DirNodeIndex = 0;
    qint32 FileSize = 0;
    QString DiskFileName; // as on disk, for every file operation
    QString DiskDirName;
};
