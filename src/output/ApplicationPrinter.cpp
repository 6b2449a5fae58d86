#include "output/ApplicationPrinter.h"

#include <QCoreApplication>
#include <QPrinter>

namespace {

QPrinter* g_printer = nullptr;

void deletePrinter()
{
    delete g_printer;
    g_printer = nullptr;
}

} // namespace

QPrinter& applicationPrinter()
{
    if (!g_printer) {
        g_printer = new QPrinter(QPrinter::HighResolution);
        qAddPostRoutine(deletePrinter);
    }
    return *g_printer;
}
