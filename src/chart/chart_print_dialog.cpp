#include "chart_print_dialog.h"

#include "platform/checked_save_file.h"
#include "platform/prompter.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace {

QCheckBox* optionBox(QWidget* parent, const char* name, const QString& text, bool checked) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setChecked(checked);
    return box;
}

QString printerText(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return QStringLiteral("Printer: PDF file %1").arg(QDir::toNativeSeparators(printer.outputFileName()));
    const QString name = printer.printerName();
    return QStringLiteral("Printer: %1").arg(name.isEmpty() ? QStringLiteral("(none)") : name);
}

} // namespace

ChartPrintDialog::ChartPrintDialog(QPrinter& printer, const ChartPrintOptions& options,
                                   ChartPageRenderer renderer, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_printer(printer), m_renderer(std::move(renderer)), m_prompter(prompter) {
    setObjectName(QStringLiteral("chartPrintDialog"));
    setWindowTitle(QStringLiteral("Print Graph"));

    preview = new QPrintPreviewWidget(&m_printer, this);
    preview->setObjectName(QStringLiteral("preview"));
    preview->setZoomMode(QPrintPreviewWidget::FitInView);
    preview->setMinimumSize(480, 360);
    connect(preview, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter* p) { m_renderer(*p, this->options()); });

    auto* side = new QVBoxLayout;
    auto* orientation = new QGroupBox(QStringLiteral("Orientation"), this);
    landscapeButton = new QRadioButton(QStringLiteral("&Landscape"), orientation);
    landscapeButton->setObjectName(QStringLiteral("landscapeButton"));
    portraitButton = new QRadioButton(QStringLiteral("P&ortrait"), orientation);
    portraitButton->setObjectName(QStringLiteral("portraitButton"));
    (options.landscape ? landscapeButton : portraitButton)->setChecked(true);
    auto* orientationLayout = new QVBoxLayout(orientation);
    orientationLayout->addWidget(landscapeButton);
    orientationLayout->addWidget(portraitButton);
    side->addWidget(orientation);

    fitToPageBox = optionBox(this, "fitToPageBox", QStringLiteral("&Fit to page"), options.fitToPage);
    printFriendlyBox = optionBox(this, "printFriendlyBox",
                                 QStringLiteral("Print-&friendly colours\n(white paper, dashed curves)"),
                                 options.printFriendly);
    headerFooterBox =
        optionBox(this, "headerFooterBox", QStringLiteral("&Header and footer"), options.headerFooter);
    valueTableBox = optionBox(this, "valueTableBox",
                              QStringLiteral("&Table of values on the following pages"), options.valueTable);
    valueTableBox->hide();
    for (QCheckBox* box : {fitToPageBox, printFriendlyBox, headerFooterBox, valueTableBox})
        side->addWidget(box);
    side->addStretch(1);
    printerLabel = new QLabel(printerText(m_printer), this);
    printerLabel->setObjectName(QStringLiteral("printerLabel"));
    printerLabel->setWordWrap(true);
    side->addWidget(printerLabel);

    auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
    printButton = buttons->addButton(QStringLiteral("&Print"), QDialogButtonBox::AcceptRole);
    printButton->setObjectName(QStringLiteral("printButton"));
    printButton->setDefault(true);
    pdfButton = buttons->addButton(QStringLiteral("Print to P&DF file..."), QDialogButtonBox::ActionRole);
    pdfButton->setObjectName(QStringLiteral("pdfButton"));
    cancelButton = buttons->addButton(QDialogButtonBox::Cancel);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    side->addWidget(buttons);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(preview, 1);
    layout->addLayout(side);
    resize(980, 640);

    connect(printButton, &QPushButton::clicked, this, &ChartPrintDialog::onPrintClicked);
    connect(pdfButton, &QPushButton::clicked, this, &ChartPrintDialog::onPdfClicked);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             landscapeButton, fitToPageBox, printFriendlyBox, headerFooterBox, valueTableBox})
        connect(b, &QAbstractButton::toggled, this, &ChartPrintDialog::onOptionChanged);
    applyOrientation(m_printer);
}

ChartPrintOptions ChartPrintDialog::options() const {
    ChartPrintOptions o;
    o.landscape = landscapeButton->isChecked();
    o.fitToPage = fitToPageBox->isChecked();
    o.printFriendly = printFriendlyBox->isChecked();
    o.headerFooter = headerFooterBox->isChecked();
    o.valueTable = !valueTableBox->isHidden() && valueTableBox->isChecked();
    return o;
}

void ChartPrintDialog::applyOrientation(QPrinter& printer) const {
    printer.setPageOrientation(landscapeButton->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void ChartPrintDialog::setValueTableAvailable(bool available) {
    valueTableBox->setVisible(available);
}

void ChartPrintDialog::onOptionChanged() {
    applyOrientation(m_printer);
    preview->updatePreview();
}

void ChartPrintDialog::onPrintClicked() {
    m_outcome = Outcome::Print;
    accept();
}

void ChartPrintDialog::onPdfClicked() {
    Prompter::FileRequest request;
    request.title = QStringLiteral("Print to PDF file");
    request.filter = QStringLiteral("PDF Document (*.pdf)|*.pdf");
    request.defaultExt = QStringLiteral("pdf");
    request.overwritePrompt = true;
    if (!m_prompter.saveFile(request))
        return;
    if (!writePdf(request.fileName))
        return;
    m_outcome = Outcome::PdfWritten;
    accept();
}

bool ChartPrintDialog::writePdf(const QString& fileName) {
    const auto fail = [&](const QString& why) {
        m_prompter.message(QStringLiteral("The PDF file %1 could not be written: %2")
                               .arg(QDir::toNativeSeparators(fileName), why));
        return false;
    };
    // Qt's PDF printer writes straight into its file; it writes a temporary one, which then
    // replaces the file chosen only once it is whole.
    QTemporaryDir work;
    if (!work.isValid())
        return fail(work.errorString());
    const QString drawn = work.filePath(QStringLiteral("print.pdf"));
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(drawn);
    pdf.setPageLayout(m_printer.pageLayout());
    applyOrientation(pdf);
    pdf.setDocName(windowTitle());
    if (!m_renderer(pdf, options()))
        return fail(QStringLiteral("the pages could not be drawn."));
    QFile file(drawn);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    QString reason;
    if (!saveFileWhole(fileName, file.readAll(), &reason))
        return fail(reason);
    return true;
}
