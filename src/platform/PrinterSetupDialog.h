#pragma once

#include <QDialog>
#include <QMarginsF>
#include <QPageLayout>
#include <QPrinter>

class QButtonGroup;
class QComboBox;
class QPushButton;
class QRadioButton;

// What the printer setup may change on a printer, to be put back when the user cancels.
struct PrinterSnapshot
{
    explicit PrinterSnapshot(const QPrinter& printer);
    void restore(QPrinter& printer) const;

    QPrinter::OutputFormat format;
    QString printerName;
    QString outputFileName;
    QPageLayout layout;
    QPrinter::PaperSource paperSource;
    QPrinter::DuplexMode duplex;
    QPrinter::ColorMode colorMode;
};

// The printer setup: the printer, its properties, the paper's size and source and the
// orientation. Every choice acts on the printer at once; Cancel (or the close box) puts the
// printer back as it was.
class PrinterSetupDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PrinterSetupDialog(QPrinter& printer, QWidget* parent = nullptr);

    QComboBox* printerCombo() const { return m_printers; }
    QComboBox* paperSizeCombo() const { return m_sizes; }
    QComboBox* paperSourceCombo() const { return m_sources; }
    QRadioButton* portraitButton() const { return m_portrait; }
    QRadioButton* landscapeButton() const { return m_landscape; }

    void done(int result) override;

private:
    void choosePrinter(int index);
    void showProperties();
    // Fills the paper and orientation controls from the printer.
    void readPrinter();

    QPrinter& m_printer;
    PrinterSnapshot m_before;
    QComboBox* m_printers = nullptr;
    QPushButton* m_properties = nullptr;
    QComboBox* m_sizes = nullptr;
    QComboBox* m_sources = nullptr;
    QRadioButton* m_portrait = nullptr;
    QRadioButton* m_landscape = nullptr;
    bool m_reading = false;
};
