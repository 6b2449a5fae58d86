#pragma once

class QPrinter;

// The one printer of the whole run. The print dialog and the settings dialog's printer setup
// both act on it, so a printer, paper or orientation chosen in one holds for every later print.
// Needs a QApplication; it is deleted when the application object goes away.
QPrinter& applicationPrinter();
