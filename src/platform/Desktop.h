#pragma once

#include <QMessageBox>
#include <QString>
#include <QUrl>

class QDialog;
class QPrinter;
class QWidget;

// Everything that reaches the desktop or blocks on the user: message boxes, the folder
// browse dialog, the print dialog, the program's own modal dialogs, the beep and the shell
// launcher. Tests install a scripted replacement so
// that no test ever waits on a dialog.
class Desktop
{
public:
    virtual ~Desktop() = default;

    virtual void beep() = 0;
    virtual void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                             const QString& text) = 0;
    // Returns the chosen folder, or an empty string when the user cancelled.
    virtual QString browseForFolder(QWidget* parent, const QString& prompt) = 0;
    virtual void openUrl(const QUrl& url) = 0;
    // The system print dialog acting on the printer (printer, its properties, copies).
    // Returns true when the user chose to print.
    virtual bool runPrintDialog(QWidget* parent, QPrinter& printer) = 0;
    // Shows the dialog modally and returns its result.
    virtual int execDialog(QDialog& dialog) = 0;

    static Desktop& instance();
    // Replaces the desktop (not owned); nullptr restores the real one.
    static void setInstance(Desktop* desktop);
};
