#include "realtime/tfrm_setup_real_time.h"

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

TfrmSetupRealTime::TfrmSetupRealTime(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmSetupRealTime"));
    setWindowTitle(QStringLiteral("Real-Time Setup"));

    // Up to five digits kept right-aligned behind leading blanks, as the count is shown and read.
    // Blanks are allowed anywhere while typing; a count that is not one is Run's to report.
    edtRealTimeNo = new QLineEdit(this);
    edtRealTimeNo->setObjectName(QStringLiteral("edtRealTimeNo"));
    edtRealTimeNo->setMaxLength(5);
    edtRealTimeNo->setAlignment(Qt::AlignRight);
    edtRealTimeNo->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[ 0-9]{0,5}")), edtRealTimeNo));
    edtRealTimeNo->setText(realtime::alignRealTimeCount(QString::number(realtime::InitialRealTimeCount)));
    edtRealTimeNo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    edtRealTimeNo->setMaximumWidth(edtRealTimeNo->fontMetrics().horizontalAdvance(QStringLiteral("000000")) +
                                   16);
    connect(edtRealTimeNo, &QLineEdit::editingFinished, this,
            [this] { edtRealTimeNo->setText(realtime::alignRealTimeCount(edtRealTimeNo->text())); });

    // Not editable: keys pick items by their text, and a value that matches no item changes
    // nothing, so the rate is always the selected item's index.
    ComboBox1 = rateBox(this, "ComboBox1", 0);
    ComboBox2 = rateBox(this, "ComboBox2", 2);
    // activated is the user's choice only; setting a box from code leaves the period alone.
    connect(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Change(); });
    connect(ComboBox2, &QComboBox::activated, this, [this] { ComboBox1Change(); });

    auto* pnlPeriod = new QWidget(this);
    pnlPeriod->setObjectName(QStringLiteral("pnlPeriod"));
    pnlPeriod->setEnabled(false);
    edtPeriod = new QLineEdit(pnlPeriod);
    edtPeriod->setObjectName(QStringLiteral("edtPeriod"));
    edtPeriod->setReadOnly(true);
    auto* periodLayout = new QHBoxLayout(pnlPeriod);
    periodLayout->setContentsMargins(0, 0, 0, 0);
    periodLayout->addWidget(edtPeriod);

    btnOpenSingleSet = new QPushButton(QStringLiteral("Start"), this);
    btnOpenSingleSet->setObjectName(QStringLiteral("btnOpenSingleSet"));
    Button1 = new QPushButton(QStringLiteral("Cancel"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    // Neither button is the default: Return in the count field does not start a recording.
    btnOpenSingleSet->setAutoDefault(false);
    Button1->setAutoDefault(false);
    connect(btnOpenSingleSet, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(label(QStringLiteral("Real-Time data no to be recorded"), this), 0, 0, 1, 4);
    grid->addWidget(label(QStringLiteral("(Adjust the number to meet your need)"), this), 1, 0, 1, 4);
    grid->addWidget(edtRealTimeNo, 2, 0);
    grid->addWidget(label(QStringLiteral("Real -Time Sampling Rate"), this), 3, 0, 1, 4);
    grid->addWidget(ComboBox1, 4, 0);
    grid->addWidget(ComboBox2, 4, 1);
    grid->addWidget(label(QStringLiteral("mm:ss"), this), 4, 2);
    grid->addWidget(label(QStringLiteral("Recording Period"), this), 5, 0, 1, 4);
    grid->addWidget(pnlPeriod, 6, 0, 1, 2);
    grid->addWidget(label(QStringLiteral("HH:MM:SS"), this), 6, 2);
    grid->setColumnStretch(3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOpenSingleSet);
    buttons->addWidget(Button1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmSetupRealTime::setRate(int minutesIndex, int secondsIndex) {
    ComboBox1->setCurrentIndex(qBound(0, minutesIndex, 60));
    ComboBox2->setCurrentIndex(qBound(0, secondsIndex, 60));
}

int TfrmSetupRealTime::minutesIndex() const {
    return ComboBox1->currentIndex();
}

int TfrmSetupRealTime::secondsIndex() const {
    return ComboBox2->currentIndex();
}

QString TfrmSetupRealTime::countText() const {
    return edtRealTimeNo->text();
}

void TfrmSetupRealTime::setPeriodText(const QString& text) {
    edtPeriod->setText(text);
}

QString TfrmSetupRealTime::periodText() const {
    return edtPeriod->text();
}

void TfrmSetupRealTime::ComboBox1Change() {
    if (ComboBox1->currentIndex() == 0 && ComboBox2->currentIndex() == 0)
        setRate(0, 2);
    // A count that is not one counts as 0 here; Run reports it when Start is pressed.
    const int count = realtime::parseRealTimeCount(countText()).value_or(0);
    const int rate = realtime::rateSeconds(minutesIndex(), secondsIndex());
    edtPeriod->setText(realtime::formatRecordingPeriod(realtime::recordingPeriodSeconds(count, rate)));
}

void TfrmSetupRealTime::showEvent(QShowEvent* event) {
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
