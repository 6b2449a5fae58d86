#include "platform/Desktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QScreen>

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
        // Qt's own dialog, so that nothing is stored under the user's configuration folders.
        QFileDialog dialog(parent, prompt, QDir::homePath());
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().constFirst();
    }

    void openUrl(const QUrl& url) override { QDesktopServices::openUrl(url); }
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
