#pragma once
// The chart's print dialog: a live preview of the pages beside the options (orientation, fit to page,
// print-friendly colours, header and footer, the table of values), then "Print" to the printer the
// program's printer setup chose, or "Print to PDF file" through Qt's PDF printer. The document is
// drawn by a ChartPageRenderer, so the dialog shows and prints whatever the chart's owner makes of
// it (the chart alone, or a whole report).
#include "chart/chart_print.h"

#include <QDialog>
#include <QString>

class Prompter;
class QCheckBox;
class QLabel;
class QPrintPreviewWidget;
class QPrinter;
class QPushButton;
class QRadioButton;

class ChartPrintDialog : public QDialog {
    Q_OBJECT
  public:
    enum class Outcome { Cancelled, Print, PdfWritten };

    ChartPrintDialog(QPrinter& printer, const ChartPrintOptions& options, ChartPageRenderer renderer,
                     Prompter& prompter, QWidget* parent = nullptr);

    // The options as the controls show them.
    ChartPrintOptions options() const;
    Outcome outcome() const { return m_outcome; }
    // Gives `printer` the chosen orientation.
    void applyOrientation(QPrinter& printer) const;
    // The table of values is offered only where the document has one.
    void setValueTableAvailable(bool available);

    // Writes the document as a PDF file through Qt's PDF printer, at the printer's page size and
    // margins, replacing an older file only when the new one is whole. False, with the reason
    // shown, when it could not be written.
    bool writePdf(const QString& fileName);

    QPrintPreviewWidget* preview = nullptr;
    QRadioButton* landscapeButton = nullptr;
    QRadioButton* portraitButton = nullptr;
    QCheckBox* fitToPageBox = nullptr;
    QCheckBox* printFriendlyBox = nullptr;
    QCheckBox* headerFooterBox = nullptr;
    QCheckBox* valueTableBox = nullptr;
    QLabel* printerLabel = nullptr;
    QPushButton* printButton = nullptr;
    QPushButton* pdfButton = nullptr;
    QPushButton* cancelButton = nullptr;

  public slots:
    void onPrintClicked();
    // Asks for a file name, then writes the PDF file; the dialog closes once it is written.
    void onPdfClicked();
    void onOptionChanged();

  private:
    QPrinter& m_printer;
    ChartPageRenderer m_renderer;
    Prompter& m_prompter;
    Outcome m_outcome = Outcome::Cancelled;
};
