#include "setup_dialog.h"

#include "link/meter_link.h"
#include "meter_config.h"
#include "meter_info.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "setup_exchange.h"
#include "setup_session.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kNoConnection = QStringLiteral("There is no connection with meter !");
const QColor kCaptionRed(255, 0, 0);
const QColor kReadOutBlue(0, 0, 255);
const QColor kOkGreen(0, 128, 0);
const QColor kFailRed(255, 0, 0);

void setTextColor(QWidget* w, const QColor& color) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, color);
    w->setPalette(p);
}

// The hourglass for the duration of an exchange.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QLineEdit* makeEditor(const QString& name, const QString& text, int width) {
    auto* e = new QLineEdit(text);
    e->setObjectName(name);
    e->setFixedWidth(width);
    return e;
}

QString failCode(int code) {
    return QStringLiteral("Fail code=") + QString::number(code);
}

} // namespace

SetupDialog::SetupDialog(MeterLink& link, Prompter& prompter, Clock& clock, std::function<bool()> connected,
                         QWidget* parent)
    : QDialog(parent), m_link(link), m_prompter(prompter), m_clock(clock), m_connected(std::move(connected)),
      m_session(SetupSession::of(link)) {
    setObjectName(QStringLiteral("SetupDialog"));
    setWindowTitle(QStringLiteral("Setup"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    buildLayout();
    move(120, 66);
    showUnit(m_session.unitIsFahrenheit);
    connect(&m_link, &MeterLink::exclusiveChanged, this, [this](bool active) { setButtonsEnabled(!active); });
    setButtonsEnabled(!m_link.exclusiveActive());
}

SetupDialog::~SetupDialog() = default;

// ---------------------------------------------------------------- layout

QGroupBox* SetupDialog::group(const QString& title) {
    auto* g = new QGroupBox(title);
    setTextColor(g, kCaptionRed);
    return g;
}

QLabel* SetupDialog::caption(const QString& text, const QString& name) {
    auto* l = new QLabel(text);
    if (!name.isEmpty())
        l->setObjectName(name);
    // Our own palette, so the red of the group caption does not reach the labels inside it.
    l->setPalette(palette());
    return l;
}

QLabel* SetupDialog::readOut(const QString& name) {
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

QLabel* SetupDialog::resultLabel(const QString& name) {
    auto* l = new QLabel;
    l->setObjectName(name);
    l->setPalette(palette());
    setTextColor(l, kOkGreen);
    l->setMinimumWidth(110);
    return l;
}

QLabel* SetupDialog::unitPicture(const QString& text, const QString& name) {
    auto* l = caption(text, name);
    QFont f = l->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.4);
    l->setFont(f);
    return l;
}

QPushButton* SetupDialog::button(const QString& text, const QString& name, void (SetupDialog::*handler)()) {
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, handler);
    m_buttons << b;
    return b;
}

void SetupDialog::buildLayout() {
    auto* columns = new QHBoxLayout(this);
    columns->addWidget(buildLeftColumn(), 0, Qt::AlignTop);
    columns->addWidget(buildRightColumn(), 0, Qt::AlignTop);
}

QWidget* SetupDialog::buildLeftColumn() {
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
        grid->addWidget(button(QStringLiteral("Adjust Meter Recording Interval "),
                               QStringLiteral("setIntervalButton"), &SetupDialog::onSetIntervalClicked),
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
        grid->addWidget(button(QStringLiteral("setup"), QStringLiteral("humidityOffsetButton"),
                               &SetupDialog::onHumidityOffsetClicked),
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
        grid->addWidget(button(QStringLiteral("setup"), QStringLiteral("temperatureOffsetButton"),
                               &SetupDialog::onTemperatureOffsetClicked),
                        1, 3);
        grid->addWidget(temperatureOffsetResult, 1, 4);

        grid->addWidget(caption(QStringLiteral("ppm")), 2, 0);
        grid->addWidget(co2OffsetField, 2, 1);
        grid->addWidget(caption(QStringLiteral("400~-400")), 2, 2);
        grid->addWidget(button(QStringLiteral("setup"), QStringLiteral("co2OffsetButton"),
                               &SetupDialog::onCo2OffsetClicked),
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
        h->addWidget(button(QStringLiteral("setup"), QStringLiteral("altitudeButton"),
                            &SetupDialog::onAltitudeClicked));
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
        connect(alarmSwitchBox, &QComboBox::currentIndexChanged, this, &SetupDialog::onAlarmSwitchChanged);
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
        h->addWidget(
            button(QStringLiteral("setup"), QStringLiteral("alarmButton"), &SetupDialog::onAlarmClicked));
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
        h->addWidget(button(QStringLiteral("setup"), QStringLiteral("powerOffButton"),
                            &SetupDialog::onPowerOffClicked));
        h->addWidget(powerOffResult);
        v->addWidget(g);
    }
    {
        auto* g = group(QStringLiteral("Meter Clock"));
        auto* h = new QHBoxLayout(g);
        clockResult = resultLabel(QStringLiteral("clockResult"));
        h->addWidget(button(QStringLiteral("Adjust Meter Time To Computer Time"),
                            QStringLiteral("setClockButton"), &SetupDialog::onSetClockClicked));
        h->addWidget(clockResult);
        h->addStretch();
        v->addWidget(g);
    }
    {
        auto* g = group(QStringLiteral("Erase Meter Memory"));
        auto* h = new QHBoxLayout(g);
        eraseResult = resultLabel(QStringLiteral("eraseResult"));
        h->addWidget(button(QStringLiteral("Erase Meter Memory"), QStringLiteral("eraseMemoryButton"),
                            &SetupDialog::onEraseMemoryClicked));
        h->addWidget(eraseResult);
        h->addStretch();
        v->addWidget(g);
    }
    return column;
}

QWidget* SetupDialog::buildRightColumn() {
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
    grid->addWidget(
        button(QStringLiteral("Read  "), QStringLiteral("readButton"), &SetupDialog::onReadClicked), row, 0);
    grid->addWidget(readResult, row, 1);
    v->addWidget(g);

    v->addWidget(button(QStringLiteral("Setup All"), QStringLiteral("setupAllButton"),
                        &SetupDialog::onSetupAllClicked));
    v->addStretch();
    return column;
}

// ---------------------------------------------------------------- shell

void SetupDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    onShown();
}

void SetupDialog::onShown() {
    onAlarmSwitchChanged();
}

void SetupDialog::onAlarmSwitchChanged() {
    const bool on = alarmSwitchBox->currentIndex() == 1;
    for (QWidget* w : {static_cast<QWidget*>(alarmHighField), static_cast<QWidget*>(alarmLowField),
                       static_cast<QWidget*>(alarmHighCaption), static_cast<QWidget*>(alarmLowCaption)})
        w->setVisible(on);
}

void SetupDialog::closeEvent(QCloseEvent* event) {
    // An operation in progress still uses the dialog's widgets; it ends within seconds.
    if (m_busy) {
        event->ignore();
        return;
    }
    onClosed();
    event->accept();
}

void SetupDialog::reject() {
    close();
}

void SetupDialog::onClosed() {
    // A download or other exclusive exchange of another window keeps the poll timer off itself.
    if (!m_link.exclusiveActive())
        m_link.startPollTimer();
    emit setupClosed();
}

void SetupDialog::setButtonsEnabled(bool enabled) {
    for (QPushButton* b : m_buttons)
        b->setEnabled(enabled);
}

bool SetupDialog::checkConnected() {
    if (m_connected && m_connected())
        return true;
    m_prompter.message(kNoConnection);
    return false;
}

void SetupDialog::runOperation(const std::function<void()>& work) {
    QPointer<SetupDialog> self(this);
    m_link.runExclusive([self, work] {
        if (!self)
            return;
        self->m_busy = true;
        work();
        if (self)
            self->m_busy = false;
    });
}

SetupExchange SetupDialog::exchange() {
    return SetupExchange(m_link.transport(), m_clock, m_session.frame, m_session.reply);
}

void SetupDialog::clearResult(QLabel* label) {
    label->clear();
    setTextColor(label, kOkGreen);
    label->hide();
}

void SetupDialog::showOk(QLabel* label) {
    setTextColor(label, kOkGreen);
    label->setText(QStringLiteral("OK"));
    label->show();
}

void SetupDialog::showFail(QLabel* label, const QString& text) {
    setTextColor(label, kFailRed);
    label->setText(text);
    label->show();
}

void SetupDialog::showUnit(bool fahrenheit) {
    fahrenheitPicture->setVisible(fahrenheit);
    fahrenheitHint->setVisible(fahrenheit);
    celsiusPicture->setVisible(!fahrenheit);
    celsiusHint->setVisible(!fahrenheit);
}

// ---------------------------------------------------------------- buttons

void SetupDialog::onReadClicked() {
    if (checkConnected())
        runOperation([this] { readInformation(); });
}

void SetupDialog::onSetClockClicked() {
    if (checkConnected())
        runOperation([this] { setClock(); });
}

void SetupDialog::onSetIntervalClicked() {
    if (checkConnected())
        runOperation([this] { setInterval(); });
}

void SetupDialog::onEraseMemoryClicked() {
    if (!checkConnected())
        return;
    if (m_prompter.question(meter_config::kEraseQuestion, Prompter::YesNoCancel) != Prompter::Yes)
        return;
    runOperation([this] { eraseMemory(); });
}

void SetupDialog::onHumidityOffsetClicked() {
    if (checkConnected())
        runOperation([this] { setHumidityOffset(); });
}

void SetupDialog::onTemperatureOffsetClicked() {
    if (checkConnected())
        runOperation([this] { setTemperatureOffset(); });
}

void SetupDialog::onCo2OffsetClicked() {
    if (checkConnected())
        runOperation([this] { setCo2Offset(); });
}

void SetupDialog::onAltitudeClicked() {
    if (checkConnected())
        runOperation([this] { setAltitude(); });
}

void SetupDialog::onAlarmClicked() {
    if (checkConnected())
        runOperation([this] { setAlarm(); });
}

void SetupDialog::onPowerOffClicked() {
    if (checkConnected())
        runOperation([this] { setPowerOff(); });
}

void SetupDialog::onSetupAllClicked() {
    if (checkConnected())
        runOperation([this] { setupAll(); });
}

// ---------------------------------------------------------------- operations

void SetupDialog::readInformation() {
    clearResult(readResult);
    for (QLabel* l :
         {memoryAvailableValue, meterTimeValue, intervalValue, dataSetsValue, firmwareVersionValue,
          serialNumberValue, alarmValue, alarmHighValue, alarmLowValue, powerOffTimeValue,
          temperatureOffsetValue, co2OffsetValue, humidityOffsetValue, altitudeValue})
        l->clear();
    repaint();
    m_clock.pumpWait(500);

    WaitCursor wait;
    SetupExchange ex = exchange();
    if (const int code = ex.readInformation(m_session.info); code != 0) {
        showFail(readResult, failCode(code));
        return;
    }
    const MeterInfo info = *decodeMeterInfo(m_session.info);
    const MeterInfoTexts texts = meterInfoTexts(info, QString::fromLatin1(ex.serialNumber()));

    firmwareVersionValue->setText(texts.firmware);
    meterTimeValue->setText(texts.meterTime);
    intervalValue->setText(texts.interval);
    intervalMinutesField->setText(bcdText(info.intervalMinutesBcd));
    intervalSecondsField->setText(bcdText(info.intervalSecondsBcd));
    dataSetsValue->setText(texts.dataSets);
    memoryAvailableValue->setText(texts.memoryAvailable);

    alarmValue->setText(texts.alarm);
    alarmSwitchBox->setCurrentIndex(info.alarmOn ? 1 : 0);
    onAlarmSwitchChanged();
    alarmHighValue->setText(texts.high);
    alarmHighField->setText(texts.high);
    alarmLowValue->setText(texts.low);
    alarmLowField->setText(texts.low);

    powerOffTimeValue->setText(texts.powerOff);
    if (info.powerOffCode < kPowerOffCodes)
        powerOffBox->setCurrentIndex(info.powerOffCode);

    humidityOffsetValue->setText(texts.rhOffset);
    humidityOffsetField->setText(texts.rhOffset);

    m_session.unitIsFahrenheit = info.fahrenheit;
    unitValue->setText(texts.unit);
    showUnit(info.fahrenheit);
    temperatureOffsetValue->setText(texts.temperatureOffset);
    temperatureOffsetField->setText(texts.temperatureOffset);

    co2OffsetValue->setText(texts.ppmOffset);
    co2OffsetField->setText(texts.ppmOffset);
    altitudeValue->setText(texts.altitude);
    altitudeField->setText(texts.altitude);
    col2000Value->setText(texts.col2000);
    col400Value->setText(texts.col400);
    col0Value->setText(texts.col0);
    serialNumberValue->setText(texts.serialNumber);

    showOk(readResult);
}

void SetupDialog::setClock() {
    clearResult(clockResult);
    m_clock.pumpWait(500);
    repaint();
    m_clock.pumpWait(500);
    WaitCursor wait;
    if (const int code = exchange().setClock(); code != 0)
        showFail(clockResult, failCode(code));
    else
        showOk(clockResult);
}

void SetupDialog::setInterval() {
    const auto interval =
        meter_config::parseInterval(intervalMinutesField->text(), intervalSecondsField->text());
    if (!interval) {
        m_prompter.message(meter_config::kInvalidInterval);
        return;
    }
    clearResult(intervalResult);
    repaint();
    WaitCursor wait;
    m_clock.pumpWait(500);
    if (exchange().setInterval(interval->minutesBcd, interval->secondsBcd) != 0)
        showFail(intervalResult, QStringLiteral("Fail"));
    else
        showOk(intervalResult);
}

void SetupDialog::eraseMemory() {
    clearResult(eraseResult);
    repaint();
    m_clock.pumpWait(500);
    WaitCursor wait;
    if (const int code = exchange().eraseMemory(); code != 0)
        showFail(eraseResult, failCode(code));
    else
        showOk(eraseResult);
}

void SetupDialog::setHumidityOffset() {
    const auto value = meter_config::humidityOffsetCell(humidityOffsetField->text());
    if (!value) {
        m_prompter.message(meter_config::kInvalidHumidity);
        return;
    }
    clearResult(humidityOffsetResult);
    WaitCursor wait;
    m_clock.pumpWait(500);
    if (exchange().writeCell(meter_config::kHumidityOffsetCell, *value) != 0)
        showFail(humidityOffsetResult, QStringLiteral("Fail"));
    else
        showOk(humidityOffsetResult);
}

void SetupDialog::setTemperatureOffset() {
    const bool fahrenheit = m_session.unitIsFahrenheit;
    const auto value = meter_config::temperatureOffsetCell(temperatureOffsetField->text(), fahrenheit);
    if (!value) {
        m_prompter.message(meter_config::temperatureOffsetMessage(fahrenheit));
        return;
    }
    clearResult(temperatureOffsetResult);
    WaitCursor wait;
    m_clock.pumpWait(500);
    if (exchange().writeCell(meter_config::kTemperatureOffsetCell, *value) != 0)
        showFail(temperatureOffsetResult, QStringLiteral("Fail"));
    else
        showOk(temperatureOffsetResult);
}

void SetupDialog::setCo2Offset() {
    using Status = meter_config::Co2Offset::Status;
    clearResult(co2OffsetResult);
    const auto offset = meter_config::parseCo2Offset(co2OffsetField->text());
    if (offset.status != Status::Ok) {
        m_prompter.message(meter_config::kInvalidCo2Offset);
        if (offset.status == Status::NotInteger)
            showFail(co2OffsetResult, QStringLiteral("Fail"));
        return;
    }
    WaitCursor wait;
    m_clock.pumpWait(500);
    if (exchange().setCo2Offset(offset.bytes))
        showOk(co2OffsetResult);
    else
        showFail(co2OffsetResult, QStringLiteral("Fail"));
}

void SetupDialog::setAltitude() {
    const auto metres = meter_config::parseAltitude(altitudeField->text());
    if (!metres) {
        m_prompter.message(meter_config::kInvalidAltitude);
        return;
    }
    WaitCursor wait;
    clearResult(altitudeResult);
    m_clock.pumpWait(500);
    if (exchange().setAltitude(*metres))
        showOk(altitudeResult);
    else
        showFail(altitudeResult, QStringLiteral("Fail"));
    m_clock.pumpWait(500);
}

void SetupDialog::setAlarm() {
    clearResult(alarmResult);
    std::optional<meter_config::AlarmLimits> limits;
    if (alarmSwitchBox->currentIndex() == 1) {
        limits = meter_config::parseAlarmLimits(alarmHighField->text(), alarmLowField->text());
        if (limits->swapped) {
            const QString high = alarmHighField->text();
            alarmHighField->setText(alarmLowField->text());
            alarmLowField->setText(high);
        }
        if (!limits->ok()) {
            m_prompter.message(meter_config::kInvalidAlarm);
            return;
        }
    }
    WaitCursor wait;
    m_clock.pumpWait(500);
    if (exchange().setAlarm(meter_config::alarmBytes(limits)))
        showOk(alarmResult);
    else
        showFail(alarmResult, QStringLiteral("Fail"));
}

void SetupDialog::setPowerOff() {
    clearResult(powerOffResult);
    WaitCursor wait;
    m_clock.pumpWait(500);
    const auto code = static_cast<uint8_t>(powerOffBox->currentIndex());
    if (exchange().writeCell(meter_config::kPowerOffCell, code) != 0)
        showFail(powerOffResult, QStringLiteral("Fail"));
    else
        showOk(powerOffResult);
}

void SetupDialog::setupAll() {
    for (QLabel* l : {intervalResult, humidityOffsetResult, temperatureOffsetResult, co2OffsetResult,
                      altitudeResult, alarmResult, powerOffResult, clockResult, eraseResult})
        clearResult(l);
    // Every step runs, whatever the one before it did.
    setInterval();
    m_clock.pumpWait(500);
    setHumidityOffset();
    m_clock.pumpWait(500);
    setTemperatureOffset();
    m_clock.pumpWait(1000);
    setCo2Offset();
    m_clock.pumpWait(2000);
    setAltitude();
    m_clock.pumpWait(1000);
    setAlarm();
    m_clock.pumpWait(500);
    setPowerOff();
    m_clock.pumpWait(500);
    setClock();
    m_clock.pumpWait(500);
    eraseMemory();
    readInformation();
}
