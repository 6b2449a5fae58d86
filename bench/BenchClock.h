#pragma once

#include <QFile>
#include <QList>

#include <time.h>
#include <unistd.h>

// Figures the benchmarks share. Processor time rather than the wall clock where the machine is
// shared: the wall clock would count waiting for a core.
inline double processCpuMs()
{
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Resident memory of this process, from /proc/self/statm; 0 when it cannot be read.
inline long residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}
