#pragma once

#include <QLocale>
#include <QString>

// The file-size text of the status bar: "1,205.6KB" (at most five significant digits, one
// decimal, the locale's separators) or "1234567Byte".
QString sizeText(qint64 bytes, bool inKilobytes, const QLocale& locale = QLocale());
