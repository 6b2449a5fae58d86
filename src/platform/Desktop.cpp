#include "platform/Desktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/PrinterSetupDialog.h"

namespace {

class SystemDesktop : public Desktop
{
public:
    void beep() override { QApplication::beep(); }

    void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                     const QString& text) override
    {
        QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
        if (!parent) {
            // A box without an owner stands in the middle of the screen.
            box.adjustSize();
            if (QScreen* screen = QGuiApplication::primaryScreen())
                box.move(screen->geometry().center() - box.rect().center());
        }
        box.exec();
    }

    QString browseForFolder(QWidget* parent, const QString& prompt) override
    {
        // Qt's dialog keeps its history in the user's configuration folder when it closes;
        // this program keeps no state but its own settings file, so that goes to a scratch
        // folder that is removed again.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_scratch.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_scratch.path());
        QString chosen;
        {
            QFileDialog dialog(parent, prompt, QDir::homePath());
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
            if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
                chosen = dialog.selectedFiles().constFirst();
        }
        return chosen;
    }

    void openUrl(const QUrl& url) override { QDesktopServices::openUrl(url); }

    bool runPrintDialog(QWidget* parent, QPrinter& printer) override
    {
        // One page is printed, so there is no range or selection to choose: the printer, its
        // properties and the number of copies.
        QPrintDialog dialog(&printer, parent);
        dialog.setOptions(QAbstractPrintDialog::PrintToFile |
                          QAbstractPrintDialog::PrintCollateCopies |
                          QAbstractPrintDialog::PrintShowPageSize);
        printer.setPrintRange(QPrinter::AllPages);
        // Qt shows its range group again as the dialog opens; it goes once the dialog is up.
        QTimer::singleShot(0, &dialog, [&dialog] {
            if (auto* range = dialog.findChild<QWidget*>(QStringLiteral("gbPrintRange")))
                range->hide();
        });
        return dialog.exec() == QDialog::Accepted;
    }

    int execDialog(QDialog& dialog) override { return dialog.exec(); }

    void setUpPrinter(QWidget* parent, QPrinter& printer) override
    {
        PrinterSetupDialog dialog(printer, parent);
        dialog.exec();
    }

private:
    QTemporaryDir m_scratch; // removed when the program ends
};

Desktop* g_override = nullptr;

} // namespace

Desktop& Desktop::instance()
{
    static SystemDesktop system;
    return g_override ? *g_override : system;
}

void Desktop::setInstance(Desktop* desktop)
{
    g_override = desktop;
}
