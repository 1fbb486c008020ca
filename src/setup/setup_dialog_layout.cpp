#include "setup_dialog_layout.h"

#include "meter_info.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QColor kCaptionRed(255, 0, 0);
const QColor kReadOutBlue(0, 0, 255);
const QColor kOkGreen(0, 128, 0);
const QColor kFailRed(255, 0, 0);

void setTextColor(QWidget* w, const QColor& color) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, color);
    w->setPalette(p);
}

QLineEdit* makeEditor(const QString& name, const QString& text, int width) {
    auto* e = new QLineEdit(text);
    e->setObjectName(name);
    e->setFixedWidth(width);
    return e;
}

} // namespace

QGroupBox* SetupDialogLayout::group(const QString& title) {
    auto* g = new QGroupBox(title);
    setTextColor(g, kCaptionRed);
    return g;
}

QLabel* SetupDialogLayout::caption(const QString& text, const QString& name) {
    auto* l = new QLabel(text);
    if (!name.isEmpty())
        l->setObjectName(name);
    // Our own palette, so the red of the group caption does not reach the labels inside it.
    l->setPalette(palette());
    return l;
}

QLabel* SetupDialogLayout::readOut(const QString& name) {
    auto* l = new QLabel;
    l->setObjectName(name);
    l->setPalette(palette());
    setTextColor(l, kReadOutBlue);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->setMinimumWidth(60);
    return l;
}

QLabel* SetupDialogLayout::resultLabel(const QString& name) {
    auto* l = new QLabel;
    l->setObjectName(name);
    l->setPalette(palette());
    setTextColor(l, kOkGreen);
    l->setMinimumWidth(110);
    return l;
}

QLabel* SetupDialogLayout::unitPicture(const QString& text, const QString& name) {
    auto* l = caption(text, name);
    QFont f = l->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.4);
    l->setFont(f);
    return l;
}

QPushButton* SetupDialogLayout::button(const QString& text, const QString& name) {
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    b->setAutoDefault(false);
    m_buttons << b;
    return b;
}

SetupDialogLayout::SetupDialogLayout(QWidget* parent) : QDialog(parent) {
    auto* columns = new QHBoxLayout(this);
    columns->addWidget(buildLeftColumn(), 0, Qt::AlignTop);
    columns->addWidget(buildRightColumn(), 0, Qt::AlignTop);
}

QWidget* SetupDialogLayout::buildLeftColumn() {
    auto* column = new QWidget;
    auto* v = new QVBoxLayout(column);
    v->setContentsMargins(0, 0, 0, 0);

    {
        auto* g = group(QStringLiteral("Meter Recording Interval "));
        auto* grid = new QGridLayout(g);
        intervalMinutesField = makeEditor(QStringLiteral("intervalMinutesField"), QString(), 36);
        intervalSecondsField = makeEditor(QStringLiteral("intervalSecondsField"), QString(), 36);
        for (QLineEdit* e : {intervalMinutesField, intervalSecondsField})
            e->setInputMask(QStringLiteral("99"));
        intervalMinutesField->setText(QStringLiteral("00"));
        intervalSecondsField->setText(QStringLiteral("02"));
        auto* row = new QHBoxLayout;
        row->addWidget(intervalMinutesField);
        row->addWidget(caption(QStringLiteral(":")));
        row->addWidget(intervalSecondsField);
        row->addWidget(caption(QStringLiteral("mm:ss(00:01~59:59)")));
        row->addStretch();
        grid->addLayout(row, 0, 0, 1, 2);
        grid->addWidget(setIntervalButton = button(QStringLiteral("Adjust Meter Recording Interval "),
                                                   QStringLiteral("setIntervalButton")),
                        1, 0);
        intervalResult = resultLabel(QStringLiteral("intervalResult"));
        grid->addWidget(intervalResult, 1, 1);
        v->addWidget(g);
    }
    {
        auto* g = group(QStringLiteral("offset "));
        auto* grid = new QGridLayout(g);
        humidityOffsetField = makeEditor(QStringLiteral("humidityOffsetField"), QStringLiteral("0"), 60);
        temperatureOffsetField =
            makeEditor(QStringLiteral("temperatureOffsetField"), QStringLiteral("0"), 60);
        co2OffsetField = makeEditor(QStringLiteral("co2OffsetField"), QStringLiteral("0"), 60);
        humidityOffsetResult = resultLabel(QStringLiteral("humidityOffsetResult"));
        temperatureOffsetResult = resultLabel(QStringLiteral("temperatureOffsetResult"));
        co2OffsetResult = resultLabel(QStringLiteral("co2OffsetResult"));

        grid->addWidget(caption(QStringLiteral("%RH")), 0, 0);
        grid->addWidget(humidityOffsetField, 0, 1);
        grid->addWidget(caption(QStringLiteral("10.0~-10.0")), 0, 2);
        grid->addWidget(humidityOffsetButton =
                            button(QStringLiteral("setup"), QStringLiteral("humidityOffsetButton")),
                        0, 3);
        grid->addWidget(humidityOffsetResult, 0, 4);

        // The hint of the meter's unit is shown with its picture.
        auto* hints = new QHBoxLayout;
        celsiusHint = new QWidget;
        celsiusHint->setObjectName(QStringLiteral("celsiusHint"));
        auto* c = new QHBoxLayout(celsiusHint);
        c->setContentsMargins(0, 0, 0, 0);
        c->addWidget(caption(QStringLiteral("-5.0~5.0 ")));
        c->addWidget(unitPicture(QStringLiteral("\u00B0C"), QString()));
        fahrenheitHint = new QWidget;
        fahrenheitHint->setObjectName(QStringLiteral("fahrenheitHint"));
        auto* f = new QHBoxLayout(fahrenheitHint);
        f->setContentsMargins(0, 0, 0, 0);
        f->addWidget(caption(QStringLiteral("-9.0~9.0 ")));
        f->addWidget(unitPicture(QStringLiteral("\u00B0F"), QString()));
        hints->addWidget(celsiusHint);
        hints->addWidget(fahrenheitHint);
        grid->addWidget(caption(QStringLiteral("temperature")), 1, 0);
        grid->addWidget(temperatureOffsetField, 1, 1);
        grid->addLayout(hints, 1, 2);
        grid->addWidget(temperatureOffsetButton =
                            button(QStringLiteral("setup"), QStringLiteral("temperatureOffsetButton")),
                        1, 3);
        grid->addWidget(temperatureOffsetResult, 1, 4);

        grid->addWidget(caption(QStringLiteral("ppm")), 2, 0);
        grid->addWidget(co2OffsetField, 2, 1);
        grid->addWidget(caption(QStringLiteral("400~-400")), 2, 2);
        grid->addWidget(co2OffsetButton = button(QStringLiteral("setup"), QStringLiteral("co2OffsetButton")),
                        2, 3);
        grid->addWidget(co2OffsetResult, 2, 4);
        v->addWidget(g);
    }
    {
        auto* g = group(QStringLiteral("altitude compensation"));
        auto* h = new QHBoxLayout(g);
        altitudeField = makeEditor(QStringLiteral("altitudeField"), QStringLiteral("0"), 60);
        altitudeResult = resultLabel(QStringLiteral("altitudeResult"));
        h->addWidget(altitudeField);
        h->addWidget(caption(QStringLiteral("m")));
        h->addWidget(caption(QStringLiteral("0~8848")));
        h->addStretch();
        h->addWidget(altitudeButton = button(QStringLiteral("setup"), QStringLiteral("altitudeButton")));
        h->addWidget(altitudeResult);
        v->addWidget(g);
    }
    {
        auto* g = group(QStringLiteral("CO2 Alarm"));
        auto* h = new QHBoxLayout(g);
        alarmSwitchBox = new QComboBox;
        alarmSwitchBox->setObjectName(QStringLiteral("alarmSwitchBox"));
        alarmSwitchBox->addItems({QStringLiteral("Off"), QStringLiteral("On")});
        alarmSwitchBox->setCurrentIndex(0);
        alarmHighField = makeEditor(QStringLiteral("alarmHighField"), QString(), 60);
        alarmLowField = makeEditor(QStringLiteral("alarmLowField"), QString(), 60);
        alarmHighCaption = caption(QStringLiteral("Hi:"));
        alarmLowCaption = caption(QStringLiteral("Lo:"));
        alarmResult = resultLabel(QStringLiteral("alarmResult"));
        h->addWidget(alarmSwitchBox);
        h->addWidget(alarmHighCaption);
        h->addWidget(alarmHighField);
        h->addWidget(alarmLowCaption);
        h->addWidget(alarmLowField);
        h->addWidget(caption(QStringLiteral("0~40000")));
        h->addStretch();
        h->addWidget(alarmButton = button(QStringLiteral("setup"), QStringLiteral("alarmButton")));
        h->addWidget(alarmResult);
        v->addWidget(g);
    }
    {
        auto* g = group(QStringLiteral("auto power off"));
        auto* h = new QHBoxLayout(g);
        powerOffBox = new QComboBox;
        powerOffBox->setObjectName(QStringLiteral("powerOffBox"));
        for (int i = 0; i < kPowerOffCodes; ++i)
            powerOffBox->addItem(powerOffEntry(i));
        powerOffBox->addItem(QString());
        powerOffBox->setCurrentIndex(1);
        powerOffResult = resultLabel(QStringLiteral("powerOffResult"));
        h->addWidget(powerOffBox);
        h->addStretch();
        h->addWidget(powerOffButton = button(QStringLiteral("setup"), QStringLiteral("powerOffButton")));
        h->addWidget(powerOffResult);
        v->addWidget(g);
    }
    {
        auto* g = group(QStringLiteral("Meter Clock"));
        auto* h = new QHBoxLayout(g);
        clockResult = resultLabel(QStringLiteral("clockResult"));
        h->addWidget(setClockButton = button(QStringLiteral("Adjust Meter Time To Computer Time"),
                                             QStringLiteral("setClockButton")));
        h->addWidget(clockResult);
        h->addStretch();
        v->addWidget(g);
    }
    {
        auto* g = group(QStringLiteral("Erase Meter Memory"));
        auto* h = new QHBoxLayout(g);
        eraseResult = resultLabel(QStringLiteral("eraseResult"));
        h->addWidget(eraseMemoryButton =
                         button(QStringLiteral("Erase Meter Memory"), QStringLiteral("eraseMemoryButton")));
        h->addWidget(eraseResult);
        h->addStretch();
        v->addWidget(g);
    }
    return column;
}

QWidget* SetupDialogLayout::buildRightColumn() {
    auto* column = new QWidget;
    auto* v = new QVBoxLayout(column);
    v->setContentsMargins(0, 0, 0, 0);

    auto* g = group(QStringLiteral("Meter DataLogger Information"));
    auto* grid = new QGridLayout(g);
    int row = 0;
    auto add = [&](const QString& text, QLabel*& field, const QString& name) {
        field = readOut(name);
        grid->addWidget(caption(text), row, 0);
        grid->addWidget(field, row, 1, 1, 2);
        ++row;
    };
    add(QStringLiteral("Memory Available:"), memoryAvailableValue, QStringLiteral("memoryAvailableValue"));
    add(QStringLiteral("Meter Time:"), meterTimeValue, QStringLiteral("meterTimeValue"));
    // The widest read-out: room for a whole date and time in the read-outs' bold font.
    meterTimeValue->setMinimumWidth(
        meterTimeValue->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000   00:00:00 ")) + 4);
    add(QStringLiteral("Recording Interval:"), intervalValue, QStringLiteral("intervalValue"));
    add(QStringLiteral("Data Sets In Memory:"), dataSetsValue, QStringLiteral("dataSetsValue"));
    add(QStringLiteral("FirmWare Version:"), firmwareVersionValue, QStringLiteral("firmwareVersionValue"));
    add(QStringLiteral("SN:"), serialNumberValue, QStringLiteral("serialNumberValue"));
    add(QStringLiteral("ALARM:"), alarmValue, QStringLiteral("alarmValue"));
    add(QStringLiteral("Hi:"), alarmHighValue, QStringLiteral("alarmHighValue"));
    add(QStringLiteral("Lo:"), alarmLowValue, QStringLiteral("alarmLowValue"));
    add(QStringLiteral("time to off:"), powerOffTimeValue, QStringLiteral("powerOffTimeValue"));
    {
        unitValue = readOut(QStringLiteral("unitValue"));
        celsiusPicture = unitPicture(QStringLiteral("\u00B0C"), QStringLiteral("celsiusPicture"));
        fahrenheitPicture = unitPicture(QStringLiteral("\u00B0F"), QStringLiteral("fahrenheitPicture"));
        auto* pictures = new QHBoxLayout;
        pictures->addWidget(unitValue);
        pictures->addWidget(celsiusPicture);
        pictures->addWidget(fahrenheitPicture);
        pictures->addStretch();
        grid->addWidget(caption(QStringLiteral("Unit Type:")), row, 0);
        grid->addLayout(pictures, row, 1, 1, 2);
        ++row;
    }
    add(QStringLiteral("RH offset:"), humidityOffsetValue, QStringLiteral("humidityOffsetValue"));
    add(QStringLiteral("Temp. offset:"), temperatureOffsetValue, QStringLiteral("temperatureOffsetValue"));
    add(QStringLiteral("ppm offset:"), co2OffsetValue, QStringLiteral("co2OffsetValue"));
    add(QStringLiteral("altitude compensation:"), altitudeValue, QStringLiteral("altitudeValue"));
    add(QStringLiteral("Col 2000"), col2000Value, QStringLiteral("col2000Value"));
    add(QStringLiteral("Col 400"), col400Value, QStringLiteral("col400Value"));
    add(QStringLiteral("Col 0"), col0Value, QStringLiteral("col0Value"));
    readResult = resultLabel(QStringLiteral("readResult"));
    grid->addWidget(readButton = button(QStringLiteral("Read  "), QStringLiteral("readButton")), row, 0);
    grid->addWidget(readResult, row, 1);
    v->addWidget(g);

    v->addWidget(setupAllButton = button(QStringLiteral("Setup All"), QStringLiteral("setupAllButton")));
    v->addStretch();
    return column;
}

void SetupDialogLayout::setButtonsEnabled(bool enabled) {
    for (QPushButton* b : m_buttons)
        b->setEnabled(enabled);
}

void SetupDialogLayout::clearResult(QLabel* label) {
    label->clear();
    setTextColor(label, kOkGreen);
    label->hide();
}

void SetupDialogLayout::showOk(QLabel* label) {
    setTextColor(label, kOkGreen);
    label->setText(QStringLiteral("OK"));
    label->show();
}

void SetupDialogLayout::showFail(QLabel* label, const QString& text) {
    setTextColor(label, kFailRed);
    label->setText(text);
    label->show();
}

void SetupDialogLayout::showUnit(bool fahrenheit) {
    fahrenheitPicture->setVisible(fahrenheit);
    fahrenheitHint->setVisible(fahrenheit);
    celsiusPicture->setVisible(!fahrenheit);
    celsiusHint->setVisible(!fahrenheit);
}
