#include "realtime/real_time_setup_dialog.h"

#include "realtime/real_time_period.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QComboBox* rateBox(QWidget* parent, const char* name, int index) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    for (int i = 0; i <= 60; ++i)
        box->addItem(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
    box->setMaxVisibleItems(15);
    box->setCurrentIndex(index);
    return box;
}

QLabel* label(const QString& text, QWidget* parent) {
    return new QLabel(text, parent);
}

} // namespace

RealTimeSetupDialog::RealTimeSetupDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("RealTimeSetupDialog"));
    setWindowTitle(QStringLiteral("Real-Time Setup"));

    // Up to five digits kept right-aligned behind leading blanks, as the count is shown and read.
    // Blanks are allowed anywhere while typing; a count that is not one is Run's to report.
    sampleCountEdit = new QLineEdit(this);
    sampleCountEdit->setObjectName(QStringLiteral("sampleCountEdit"));
    sampleCountEdit->setMaxLength(5);
    sampleCountEdit->setAlignment(Qt::AlignRight);
    sampleCountEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[ 0-9]{0,5}")), sampleCountEdit));
    sampleCountEdit->setText(realtime::alignRealTimeCount(QString::number(realtime::InitialRealTimeCount)));
    sampleCountEdit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    sampleCountEdit->setMaximumWidth(
        sampleCountEdit->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16);
    connect(sampleCountEdit, &QLineEdit::editingFinished, this,
            [this] { sampleCountEdit->setText(realtime::alignRealTimeCount(sampleCountEdit->text())); });

    // Not editable: keys pick items by their text, and a value that matches no item changes
    // nothing, so the rate is always the selected item's index.
    minutesBox = rateBox(this, "minutesBox", 0);
    secondsBox = rateBox(this, "secondsBox", 2);
    // activated is the user's choice only; setting a box from code leaves the period alone.
    connect(minutesBox, &QComboBox::activated, this, [this] { onSamplingRateChanged(); });
    connect(secondsBox, &QComboBox::activated, this, [this] { onSamplingRateChanged(); });

    auto* periodPanel = new QWidget(this);
    periodPanel->setObjectName(QStringLiteral("periodPanel"));
    periodPanel->setEnabled(false);
    periodField = new QLineEdit(periodPanel);
    periodField->setObjectName(QStringLiteral("periodField"));
    periodField->setReadOnly(true);
    auto* periodLayout = new QHBoxLayout(periodPanel);
    periodLayout->setContentsMargins(0, 0, 0, 0);
    periodLayout->addWidget(periodField);

    startButton = new QPushButton(QStringLiteral("Start"), this);
    startButton->setObjectName(QStringLiteral("startButton"));
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    // Neither button is the default: Return in the count field does not start a recording.
    startButton->setAutoDefault(false);
    cancelButton->setAutoDefault(false);
    connect(startButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(label(QStringLiteral("Real-Time data no to be recorded"), this), 0, 0, 1, 4);
    grid->addWidget(label(QStringLiteral("(Adjust the number to meet your need)"), this), 1, 0, 1, 4);
    grid->addWidget(sampleCountEdit, 2, 0);
    grid->addWidget(label(QStringLiteral("Real -Time Sampling Rate"), this), 3, 0, 1, 4);
    grid->addWidget(minutesBox, 4, 0);
    grid->addWidget(secondsBox, 4, 1);
    grid->addWidget(label(QStringLiteral("mm:ss"), this), 4, 2);
    grid->addWidget(label(QStringLiteral("Recording Period"), this), 5, 0, 1, 4);
    grid->addWidget(periodPanel, 6, 0, 1, 2);
    grid->addWidget(label(QStringLiteral("HH:MM:SS"), this), 6, 2);
    grid->setColumnStretch(3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(startButton);
    buttons->addWidget(cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void RealTimeSetupDialog::setRate(int minutesIndex, int secondsIndex) {
    minutesBox->setCurrentIndex(qBound(0, minutesIndex, 60));
    secondsBox->setCurrentIndex(qBound(0, secondsIndex, 60));
}

int RealTimeSetupDialog::minutesIndex() const {
    return minutesBox->currentIndex();
}

int RealTimeSetupDialog::secondsIndex() const {
    return secondsBox->currentIndex();
}

QString RealTimeSetupDialog::countText() const {
    return sampleCountEdit->text();
}

void RealTimeSetupDialog::setPeriodText(const QString& text) {
    periodField->setText(text);
}

QString RealTimeSetupDialog::periodText() const {
    return periodField->text();
}

void RealTimeSetupDialog::onSamplingRateChanged() {
    if (minutesBox->currentIndex() == 0 && secondsBox->currentIndex() == 0)
        setRate(0, 2);
    // A count that is not one counts as 0 here; Run reports it when Start is pressed.
    const int count = realtime::parseRealTimeCount(countText()).value_or(0);
    const int rate = realtime::rateSeconds(minutesIndex(), secondsIndex());
    periodField->setText(realtime::formatRecordingPeriod(realtime::recordingPeriodSeconds(count, rate)));
}

void RealTimeSetupDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_placed)
        return;
    m_placed = true;
    // Centred on the screen, not on the window that opened it.
    if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}
