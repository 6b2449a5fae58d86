#include <QComboBox>
#include <QPrinter>
#include <QRadioButton>
#include <QTest>

#include "platform/PrinterSetupDialog.h"

class TestPrinterSetup : public QObject
{
    Q_OBJECT
private slots:
    void choicesActAtOnceAndCancelPutsThePrinterBack()
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QStringLiteral("/tmp/kept.pdf"));
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Portrait);
        printer.setCopyCount(3);

        for (const bool confirm : {false, true}) {
            PrinterSetupDialog dialog(printer);
            QCOMPARE(dialog.printerCombo()->currentText(), QStringLiteral("PDF ファイル"));
            QVERIFY(dialog.portraitButton()->isChecked());
            dialog.landscapeButton()->click();
            dialog.paperSizeCombo()->setCurrentIndex(
                dialog.paperSizeCombo()->findData(int(QPageSize::A5)));
            dialog.paperSourceCombo()->setCurrentIndex(
                dialog.paperSourceCombo()->findData(int(QPrinter::Manual)));
            QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
            if (confirm)
                dialog.accept();
            else
                dialog.reject(); // Cancel, Esc and the close box
            const bool changed = confirm;
            QCOMPARE(printer.pageLayout().orientation(),
                     changed ? QPageLayout::Landscape : QPageLayout::Portrait);
            QCOMPARE(printer.pageLayout().pageSize().id(), changed ? QPageSize::A5 : QPageSize::A4);
            QCOMPARE(printer.paperSource(), changed ? QPrinter::Manual : QPrinter::Auto);
            // Neither copies nor the output file belong to the setup.
            QCOMPARE(printer.copyCount(), 3);
            QCOMPARE(printer.outputFileName(), QStringLiteral("/tmp/kept.pdf"));
        }
    }
};

QTEST_MAIN(TestPrinterSetup)
#include "tst_printersetup.moc"
