// The graph window's tool bars, statistic strip and statistic panel: its widgets and their places.
#include "chart/chart_widget.h"
#include "graph/flow_layout.h"
#include "graph/graph_file.h"
#include "graph/graph_statistics.h"
#include "graph/graph_window.h"
#include "platform/clock.h"
#include "platform/install_paths.h"
#include "platform/prompter.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

namespace {

QToolButton* toolButton(QWidget* parent, const QString& name, const QString& text, const QString& hint,
                        bool checkable) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    b->setCheckable(checkable);
    b->setAutoRaise(true);
    return b;
}

QPushButton* pushButton(QWidget* parent, const QString& name, const QString& text, const QString& hint = {}) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    if (!hint.isEmpty())
        b->setToolTip(hint);
    return b;
}

QLineEdit* field(QWidget* parent, const QString& name, const QString& text = {}) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    return e;
}

QFrame* divider(QWidget* parent) {
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::VLine);
    f->setFrameShadow(QFrame::Sunken);
    f->setFixedSize(6, parent->fontMetrics().height() + 8);
    return f;
}

// Wide enough for a date-time of this locale (the widest time of day, a two-digit day and month).

int dateTimeWidth(const QWidget* w, const QString& prefix = {}) {
    const double sample = toDateTimeValue(QDateTime(QDate(2026, 12, 28), QTime(23, 58, 58)));
    return w->fontMetrics().horizontalAdvance(prefix + graphstats::formatDateTime(sample)) + 14;
}

QStringList twoDigitItems() {
    QStringList items;
    for (int i = 0; i <= 60; ++i)
        items << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    return items;
}

} // namespace

QWidget* GraphWindow::buildToolsBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("toolsBar"));
    // A narrow window wraps the buttons onto a second row rather than cutting them off.
    auto* row = new FlowLayout(bar, 4);
    row->setContentsMargins(2, 2, 2, 0);

    graphStatisticButton =
        toolButton(bar, QStringLiteral("graphStatisticButton"), QStringLiteral("Statistic"),
                   QStringLiteral("Toggle Graph Statistic"), true);
    graphStatisticButton->setChecked(true);
    lineCursorStatisticButton =
        toolButton(bar, QStringLiteral("lineCursorStatisticButton"), QStringLiteral("Line Cursor"),
                   QStringLiteral("Toggle Line Cursor Statistic"), true);
    lineCursorStatisticButton->setChecked(true);
    normalCursorButton = toolButton(bar, QStringLiteral("normalCursorButton"), QStringLiteral("Normal"),
                                    QStringLiteral("Normal Cursor"), true);
    crossButton = toolButton(bar, QStringLiteral("crossButton"), QStringLiteral("Cross"),
                             QStringLiteral("Draw A Cross On Graph"), true);
    textButton =
        toolButton(bar, QStringLiteral("textButton"), QStringLiteral("Text"), QStringLiteral("Text"), true);
    markColorButton = toolButton(bar, QStringLiteral("markColorButton"), QStringLiteral("Color"),
                                 QStringLiteral("Set Annotation Color"), false);
    m_toolGroup = new QButtonGroup(bar);
    m_toolGroup->setExclusive(true);
    m_toolGroup->addButton(normalCursorButton);
    m_toolGroup->addButton(crossButton);
    m_toolGroup->addButton(textButton);
    normalCursorButton->setChecked(true);
    // Cross and Text need a chart with one Y axis; whoever prepares the chart enables them.
    setCrossAndTextEnabled(false);

    clearDivider = divider(bar);
    clearDivider->setObjectName(QStringLiteral("clearDivider"));
    clearButton = toolButton(bar, QStringLiteral("clearButton"), QStringLiteral("Clear"),
                             QStringLiteral("Clear"), false);
    clearDivider->hide();
    clearButton->hide();

    undoZoomButton = pushButton(bar, QStringLiteral("undoZoomButton"), QStringLiteral("Undo Zoom"));
    undoZoomButton->setEnabled(false);
    splitAxesBox = new QCheckBox(QStringLiteral("Split"), bar);
    splitAxesBox->setObjectName(QStringLiteral("splitAxesBox"));
    splitAxesBox->setChecked(true);
    splitAxesBox->hide();
    graphOptionButton = pushButton(bar, QStringLiteral("graphOptionButton"), QStringLiteral("Graph Option"),
                                   QStringLiteral("Graph Customization"));
    yAxisButton = pushButton(bar, QStringLiteral("yAxisButton"), QStringLiteral("Y Axis"),
                             QStringLiteral("set the maximum and minimum extent of the left y axis."));
    fitYButton = pushButton(bar, QStringLiteral("fitYButton"), QStringLiteral("Fit Y"),
                            QStringLiteral("Fit Y to data: each Y axis set once to the range of its data"));
    fontButton = pushButton(bar, QStringLiteral("fontButton"), QStringLiteral("Font"));
    limitsButton = pushButton(bar, QStringLiteral("limitsButton"), QStringLiteral("Limits"),
                              QStringLiteral("Limit lines, and the time spent above them"));
    savePictureButton = pushButton(bar, QStringLiteral("savePictureButton"), QStringLiteral("Save Picture"),
                                   QStringLiteral("Save the graph as a PNG, SVG or PDF picture"));
    exportReportButton =
        pushButton(bar, QStringLiteral("exportReportButton"), QStringLiteral("Export Report"),
                   QStringLiteral("Save the graph with its header and figures as a PDF report"));

    for (QWidget* w : std::initializer_list<QWidget*>{graphStatisticButton, lineCursorStatisticButton,
                                                      divider(bar),         normalCursorButton,
                                                      crossButton,          textButton,
                                                      markColorButton,      clearDivider,
                                                      clearButton,          divider(bar),
                                                      undoZoomButton,       splitAxesBox,
                                                      graphOptionButton,    yAxisButton,
                                                      fitYButton,           fontButton,
                                                      divider(bar),         limitsButton,
                                                      savePictureButton,    exportReportButton})
        row->addWidget(w);

    connect(graphStatisticButton, &QToolButton::clicked, this, &GraphWindow::onGraphStatisticClicked);
    connect(lineCursorStatisticButton, &QToolButton::clicked, this,
            &GraphWindow::onLineCursorStatisticClicked);
    connect(normalCursorButton, &QToolButton::clicked, this, &GraphWindow::onNormalCursorClicked);
    connect(crossButton, &QToolButton::clicked, this, &GraphWindow::onCrossClicked);
    connect(textButton, &QToolButton::clicked, this, &GraphWindow::onTextClicked);
    connect(markColorButton, &QToolButton::clicked, this, &GraphWindow::onMarkColorClicked);
    connect(undoZoomButton, &QPushButton::clicked, this, &GraphWindow::onUndoZoomClicked);
    connect(splitAxesBox, &QCheckBox::toggled, this, &GraphWindow::onSplitAxesClicked);
    connect(graphOptionButton, &QPushButton::clicked, this, &GraphWindow::onGraphOptionClicked);
    connect(yAxisButton, &QPushButton::clicked, this, &GraphWindow::onYAxisClicked);
    connect(fitYButton, &QPushButton::clicked, this, &GraphWindow::onFitYClicked);
    connect(fontButton, &QPushButton::clicked, this, &GraphWindow::onFontClicked);
    connect(limitsButton, &QPushButton::clicked, this, &GraphWindow::onLimitsClicked);
    connect(savePictureButton, &QPushButton::clicked, this, &GraphWindow::onSavePictureClicked);
    connect(exportReportButton, &QPushButton::clicked, this, &GraphWindow::onExportReportClicked);
    return bar;
}

QWidget* GraphWindow::buildChannelsBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("channelsBar"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(2, 0, 2, 0);
    const auto box = [&](const QString& name, const QString& text) {
        auto* c = new QCheckBox(text, bar);
        c->setObjectName(name);
        c->setChecked(true);
        row->addWidget(c);
        connect(c, &QCheckBox::toggled, this, &GraphWindow::onChannelBoxClicked);
        return c;
    };
    ppmBox = box(QStringLiteral("ppmBox"), QStringLiteral("ppm"));
    humidityBox = box(QStringLiteral("humidityBox"), QStringLiteral("%RH"));
    temperatureBox = box(QStringLiteral("temperatureBox"), QStringLiteral("Temp."));
    row->addStretch(1);
    return bar;
}

QWidget* GraphWindow::buildStatisticStrip() {
    statisticStrip = new QFrame(this);
    statisticStrip->setObjectName(QStringLiteral("statisticStrip"));
    statisticStrip->setFrameShape(QFrame::StyledPanel);
    auto* lines = new QVBoxLayout(statisticStrip);
    lines->setContentsMargins(4, 2, 4, 2);
    lines->setSpacing(2);
    auto* row = new FlowLayout(nullptr, 8);
    lines->addLayout(row);

    // The time and count fields sit on disabled panels: shown, never edited.
    auto* startPanel = new QFrame(statisticStrip);
    startPanel->setObjectName(QStringLiteral("startTimePanel"));
    auto* startRow = new QHBoxLayout(startPanel);
    startRow->setContentsMargins(0, 0, 0, 0);
    startRow->addWidget(new QLabel(QStringLiteral("Start Time"), startPanel));
    startTimeField = field(startPanel, QStringLiteral("startTimeField"));
    startTimeField->setMinimumWidth(dateTimeWidth(startTimeField));
    startRow->addWidget(startTimeField);
    startPanel->setEnabled(false);
    row->addWidget(startPanel);

    samplingRatePanel = new QFrame(statisticStrip);
    samplingRatePanel->setObjectName(QStringLiteral("samplingRatePanel"));
    auto* rateRow = new QHBoxLayout(samplingRatePanel);
    rateRow->setContentsMargins(0, 0, 0, 0);
    auto* rateLabel = new QLabel(QStringLiteral("Sampling\nRate"), samplingRatePanel);
    rateRow->addWidget(rateLabel);
    minutesBox = new QComboBox(samplingRatePanel);
    minutesBox->setObjectName(QStringLiteral("minutesBox"));
    secondsBox = new QComboBox(samplingRatePanel);
    secondsBox->setObjectName(QStringLiteral("secondsBox"));
    for (QComboBox* c : {minutesBox, secondsBox}) {
        c->addItems(twoDigitItems());
        c->setCurrentIndex(0);
        rateRow->addWidget(c);
    }
    rateRow->addWidget(new QLabel(QStringLiteral("mm:ss"), samplingRatePanel));
    samplingRatePanel->setEnabled(false);
    row->addWidget(samplingRatePanel);

    auto* countPanel = new QFrame(statisticStrip);
    countPanel->setObjectName(QStringLiteral("sampleCountPanel"));
    auto* countRow = new QHBoxLayout(countPanel);
    countRow->setContentsMargins(0, 0, 0, 0);
    countRow->addWidget(new QLabel(QStringLiteral("Data No."), countPanel));
    sampleCountField = field(countPanel, QStringLiteral("sampleCountField"), QStringLiteral("0"));
    sampleCountField->setMaximumWidth(90);
    countRow->addWidget(sampleCountField);
    countPanel->setEnabled(false);
    row->addWidget(countPanel);

    showMaxMinButton = pushButton(statisticStrip, QStringLiteral("showMaxMinButton"),
                                  QStringLiteral("Show MAX/MIN on Graph"));
    row->addWidget(showMaxMinButton);
    connect(showMaxMinButton, &QPushButton::clicked, this, &GraphWindow::onShowMaxMinClicked);

    timeAboveLabel = new QLabel(statisticStrip);
    timeAboveLabel->setObjectName(QStringLiteral("timeAboveLabel"));
    journalWarningLabel = new QLabel(statisticStrip);
    journalWarningLabel->setObjectName(QStringLiteral("journalWarningLabel"));
    journalWarningLabel->setStyleSheet(QStringLiteral("color: #b00000;"));
    for (QLabel* l : {timeAboveLabel, journalWarningLabel}) {
        l->setWordWrap(true);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        l->hide();
        lines->addWidget(l);
    }
    return statisticStrip;
}

QWidget* GraphWindow::buildStatisticPanel() {
    statisticPanel = new QFrame(this);
    statisticPanel->setObjectName(QStringLiteral("statisticPanel"));
    statisticPanel->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(statisticPanel);
    grid->setContentsMargins(4, 2, 4, 2);
    const QString names[3] = {QStringLiteral("ppm"), QStringLiteral("RH"), QStringLiteral("T1")};
    QLineEdit** fields[3][3] = {{&ppmMaxField, &ppmMinField, &ppmAvgField},
                                {&humidityMaxField, &humidityMinField, &humidityAvgField},
                                {&temperatureMaxField, &temperatureMinField, &temperatureAvgField}};
    for (int c = 0; c < 3; ++c) {
        const QString captions[3] = {names[c] + QStringLiteral(" MAX "), QStringLiteral("MIN"),
                                     QStringLiteral("AVG")};
        const QString keys[3] = {QStringLiteral("ppm"), QStringLiteral("humidity"),
                                 QStringLiteral("temperature")};
        const QString suffixes[3] = {QStringLiteral("MaxField"), QStringLiteral("MinField"),
                                     QStringLiteral("AvgField")};
        for (int k = 0; k < 3; ++k) {
            grid->addWidget(new QLabel(captions[k], statisticPanel), c, 2 * k);
            QLineEdit* e = field(statisticPanel, keys[c] + suffixes[k],
                                 k == 2 ? graphstats::kAvgPlaceholder : QString());
            // An extreme reads value "@" date-time: room for all of it; a mean, for five digits.
            if (k < 2)
                e->setMinimumWidth(dateTimeWidth(e, QStringLiteral("88888@")));
            else
                e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("-8888.8")) + 14);
            *fields[c][k] = e;
            grid->addWidget(e, c, 2 * k + 1);
        }
    }
    for (int c = 0; c < 3; ++c) {
        unitLabels[c] = new QLabel(statisticPanel);
        unitLabels[c]->setObjectName(QStringLiteral("unitLabel%1").arg(c));
        unitLabels[c]->hide();
        grid->addWidget(unitLabels[c], c, 6);
    }
    for (int k = 0; k < 3; ++k)
        grid->setColumnStretch(2 * k + 1, 1);
    return statisticPanel;
}
