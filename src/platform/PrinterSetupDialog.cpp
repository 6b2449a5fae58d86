#include "platform/PrinterSetupDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// The sizes offered when the printer names none (a PDF file): those a photo is printed on here.
const QPageSize::PageSizeId kCommonSizes[] = {
    QPageSize::A3,     QPageSize::A4,     QPageSize::A5,    QPageSize::JisB4,
    QPageSize::JisB5,  QPageSize::Letter, QPageSize::Legal, QPageSize::Postcard,
};

const QPrinter::PaperSource kCommonSources[] = {
    QPrinter::Auto, QPrinter::Upper, QPrinter::Middle, QPrinter::Lower, QPrinter::Manual,
    QPrinter::LargeCapacity,
};

QString sourceName(QPrinter::PaperSource source)
{
    switch (source) {
    case QPrinter::Auto: return QStringLiteral("自動選択");
    case QPrinter::Upper: // also OnlyOne return QStringLiteral("上段トレイ");
    case QPrinter::Middle: return QStringLiteral("中段トレイ");
    case QPrinter::Lower: return QStringLiteral("下段トレイ");
    case QPrinter::Manual: return QStringLiteral("手差し");
    case QPrinter::Envelope: return QStringLiteral("封筒");
    case QPrinter::EnvelopeManual: return QStringLiteral("封筒 (手差し)");
    case QPrinter::Tractor: return QStringLiteral("トラクター");
    case QPrinter::LargeCapacity: return QStringLiteral("大容量トレイ");
    case QPrinter::Cassette: return QStringLiteral("カセット");
    default: return QStringLiteral("給紙方法 %1").arg(int(source));
    }
}

} // namespace

PrinterSnapshot::PrinterSnapshot(const QPrinter& printer)
    : format(printer.outputFormat()), printerName(printer.printerName()),
      outputFileName(printer.outputFileName()), layout(printer.pageLayout()),
      paperSource(printer.paperSource()), duplex(printer.duplex()),
      colorMode(printer.colorMode())
{
}

void PrinterSnapshot::restore(QPrinter& printer) const
{
    // The printer first: choosing one resets what depends on it.
    if (format == QPrinter::NativeFormat && !printerName.isEmpty())
        printer.setPrinterName(printerName);
    else
        printer.setOutputFormat(format);
    printer.setOutputFileName(outputFileName);
    printer.setPageLayout(layout);
    printer.setPaperSource(paperSource);
    printer.setDuplex(duplex);
    printer.setColorMode(colorMode);
}

PrinterSetupDialog::PrinterSetupDialog(QPrinter& printer, QWidget* parent)
    : QDialog(parent), m_printer(printer), m_before(printer)
{
    setObjectName(QStringLiteral("PrinterSetupDialog"));
    setWindowTitle(QStringLiteral("プリンターの設定"));

    auto* printerGroup = new QGroupBox(QStringLiteral("プリンター"), this);
    m_printers = new QComboBox(printerGroup);
    m_printers->setObjectName(QStringLiteral("PrinterName"));
    for (const QString& name : QPrinterInfo::availablePrinterNames())
        m_printers->addItem(name, name);
    m_printers->addItem(QStringLiteral("PDF ファイル"), QString());
    const int current = m_printer.outputFormat() == QPrinter::PdfFormat
                            ? m_printers->count() - 1
                            : m_printers->findData(m_printer.printerName());
    m_printers->setCurrentIndex(std::max(0, current));
    m_properties = new QPushButton(QStringLiteral("プロパティ(&P)..."), printerGroup);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(m_printers, 1);
    nameRow->addWidget(m_properties);
    auto* printerForm = new QFormLayout(printerGroup);
    auto* nameLabel = new QLabel(QStringLiteral("名前(&N):"), printerGroup);
    nameLabel->setBuddy(m_printers);
    printerForm->addRow(nameLabel, nameRow);

    auto* paperGroup = new QGroupBox(QStringLiteral("用紙"), this);
    m_sizes = new QComboBox(paperGroup);
    m_sizes->setObjectName(QStringLiteral("PaperSize"));
    m_sources = new QComboBox(paperGroup);
    m_sources->setObjectName(QStringLiteral("PaperSource"));
    auto* paperForm = new QFormLayout(paperGroup);
    paperForm->addRow(QStringLiteral("サイズ(&Z):"), m_sizes);
    paperForm->addRow(QStringLiteral("給紙方法(&S):"), m_sources);

    auto* orientationGroup = new QGroupBox(QStringLiteral("印刷の向き"), this);
    m_portrait = new QRadioButton(QStringLiteral("縦(&O)"), orientationGroup);
    m_landscape = new QRadioButton(QStringLiteral("横(&A)"), orientationGroup);
    auto* orientationColumn = new QVBoxLayout(orientationGroup);
    orientationColumn->addWidget(m_portrait);
    orientationColumn->addWidget(m_landscape);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));

    auto* paperRow = new QHBoxLayout;
    paperRow->addWidget(paperGroup, 1);
    paperRow->addWidget(orientationGroup);
    auto* column = new QVBoxLayout(this);
    column->addWidget(printerGroup);
    column->addLayout(paperRow);
    column->addWidget(buttons);

    readPrinter();
    connect(m_printers, &QComboBox::currentIndexChanged, this, &PrinterSetupDialog::choosePrinter);
    connect(m_properties, &QPushButton::clicked, this, &PrinterSetupDialog::showProperties);
    connect(m_sizes, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_reading)
            m_printer.setPageSize(QPageSize(QPageSize::PageSizeId(m_sizes->currentData().toInt())));
    });
    connect(m_sources, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_reading)
            m_printer.setPaperSource(QPrinter::PaperSource(m_sources->currentData().toInt()));
    });
    connect(m_portrait, &QRadioButton::toggled, this, [this](bool on) {
        if (!m_reading)
            m_printer.setPageOrientation(on ? QPageLayout::Portrait : QPageLayout::Landscape);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void PrinterSetupDialog::done(int result)
{
    if (result != QDialog::Accepted)
        m_before.restore(m_printer);
    QDialog::done(result);
}

void PrinterSetupDialog::choosePrinter(int index)
{
    const QString name = m_printers->itemData(index).toString();
    if (name.isEmpty())
        m_printer.setOutputFormat(QPrinter::PdfFormat);
    else
        m_printer.setPrinterName(name);
    readPrinter();
}

void PrinterSetupDialog::showProperties()
{
    QPageSetupDialog properties(&m_printer, this);
    properties.exec();
    readPrinter();
}

void PrinterSetupDialog::readPrinter()
{
    m_reading = true;
    QList<QPageSize> sizes;
    if (m_printer.outputFormat() == QPrinter::NativeFormat)
        sizes = QPrinterInfo(m_printer).supportedPageSizes();
    if (sizes.isEmpty())
        for (QPageSize::PageSizeId id : kCommonSizes)
            sizes << QPageSize(id);
    const QPageSize current = m_printer.pageLayout().pageSize();
    if (!std::any_of(sizes.cbegin(), sizes.cend(),
                     [&](const QPageSize& size) { return size.id() == current.id(); }))
        sizes.prepend(current);
    m_sizes->clear();
    for (const QPageSize& size : sizes) {
        m_sizes->addItem(size.name(), int(size.id()));
        if (size.id() == current.id())
            m_sizes->setCurrentIndex(m_sizes->count() - 1);
    }

    // Qt names no printer's trays on Linux: the usual ones are offered, the driver maps them.
    QList<QPrinter::PaperSource> sources(std::cbegin(kCommonSources), std::cend(kCommonSources));
    if (!sources.contains(m_printer.paperSource()))
        sources.prepend(m_printer.paperSource());
    m_sources->clear();
    for (QPrinter::PaperSource source : sources) {
        m_sources->addItem(sourceName(source), int(source));
        if (source == m_printer.paperSource())
            m_sources->setCurrentIndex(m_sources->count() - 1);
    }

    const bool portrait = m_printer.pageLayout().orientation() == QPageLayout::Portrait;
    m_portrait->setChecked(portrait);
    m_landscape->setChecked(!portrait);
    m_reading = false;
}
