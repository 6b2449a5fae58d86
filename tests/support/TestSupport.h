#pragma once

#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

#include "platform/Desktop.h"

class TMainForm;

// A desktop that answers from a script and records what the program asked of it.
// It installs itself for its lifetime.
class ScriptedDesktop : public Desktop
{
public:
    struct Message
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
    };

    ScriptedDesktop();
    ~ScriptedDesktop() override;

    void beep() override;
    void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                     const QString& text) override;
    QString browseForFolder(QWidget* parent, const QString& prompt) override;
    void openUrl(const QUrl& url) override;
    bool runPrintDialog(QWidget* parent, QPrinter& printer) override;
    int execDialog(QDialog& dialog) override;
    void setUpPrinter(QWidget* parent, QPrinter& printer) override;

    // Answers of the folder dialog, in order; an empty string is a cancel. When the script
    // runs out the dialog is cancelled, and after 100 cancels in a row the test fails.
    QStringList nextFolders;
    // The print dialog's answer: it may set the printer up (a PDF file, copies) and returns
    // true to print. Unset, the dialog is cancelled.
    std::function<bool(QPrinter&)> printDialog;
    // A modal dialog while it is open: the test looks at it and returns its result. Unset,
    // the dialog is rejected at once.
    std::function<int(QDialog&)> dialog;

    // What the user does in the printer setup; unset, they cancel it.
    std::function<void(QPrinter&)> printerChoice;

    int beeps = 0;
    std::vector<Message> messages;
    QStringList browsePrompts;
    std::vector<QUrl> openedUrls;
    int printDialogs = 0;
    QStringList dialogs; // object names of the modal dialogs shown
    // Every event in order: "beep", "message:<title>", "browse", "open:<url>", "print",
    // "dialog:<object name>", "printer-setup".
    QStringList events;
};

// Writes a real JPEG file (photo-like content) and returns its path.
QString writeTestJpeg(const QString& path, int width, int height, unsigned seed = 1);

// The file's bytes, or "<unreadable>" when it cannot be read.
QByteArray readTextFile(const QString& path);

// Writes the given text as a file (creating its folder).
void writeTextFile(const QString& path, const QByteArray& contents);

// Makes a later scan of a progressive JPEG file impossible (its spectral range beyond 63): the
// header still reads, the decode fails part-way.
void damageSecondScan(const QString& path);

// Makes an album folder under root holding `count` photos named "<prefix>1.jpg" ...
// (width x height each) and returns the album's path.
QString makeAlbum(const QString& root, const QString& album, int count, int width = 64,
                  int height = 48);

// The path of a program the tests drive (Xvfb, xdotool); empty, with a warning, when missing.
QString findTool(const char* name);

// Starts an X server of the test's own (1024x768x24) and returns its display name (":N"),
// empty when it did not start. Xvfb picks a free display; QIRVA_TEST_DISPLAY (":73") names one
// instead, for a machine where each developer has displays of their own.
QString startXvfb(QProcess& xvfb);

// Writes `settings` as the settings file in appDir, opens the main window on it and waits
// until the window is on the screen.
std::unique_ptr<TMainForm> showMainWindow(const QString& appDir, const QByteArray& settings);

// A picture whose four corners differ (red top left, green top right, blue bottom left,
// white bottom right, grey between), so any turn or mirror of it shows.
QImage cornerChart(QSize size);
// The expected colour of each corner of cornerChart: top left, top right, bottom left,
// bottom right.
extern const QRgb cornerColours[4];
// Whether the corners of `image` (sampled `inset` pixels in) show cornerChart's colours,
// each channel within `tolerance`; the corner that does not is named in `why`.
bool showsCornerChart(const QImage& image, int inset, int tolerance, QString* why = nullptr);
// The pixels a camera stores for an upright picture under an EXIF orientation tag (1..8).
QImage storedFor(const QImage& upright, int orientation);

// The sRGB picture's colours in JpegWriter::adobeRgbProfile() (what an editor saves as Adobe
// RGB).
QImage convertedToAdobeRgb(const QImage& srgb);

// A page of a PDF file (the first by default) rasterised by pdftoppm at the given resolution;
// null on failure.
QImage rasterise(const QString& pdf, int dpi, int pageNumber = 1);
