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
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <utility>

namespace {

const QString kNoConnection = QStringLiteral("There is no connection with meter !");

// The hourglass for the duration of an exchange.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QString failCode(int code) {
    return QStringLiteral("Fail code=") + QString::number(code);
}

} // namespace

SetupDialog::SetupDialog(MeterLink& link, Prompter& prompter, Clock& clock, std::function<bool()> connected,
                         QWidget* parent)
    : SetupDialogLayout(parent), m_link(link), m_prompter(prompter), m_clock(clock),
      m_connected(std::move(connected)), m_session(SetupSession::of(link)) {
    setObjectName(QStringLiteral("SetupDialog"));
    setWindowTitle(QStringLiteral("Setup"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    const std::pair<QPushButton*, void (SetupDialog::*)()> handlers[] = {
        {setIntervalButton, &SetupDialog::onSetIntervalClicked},
        {humidityOffsetButton, &SetupDialog::onHumidityOffsetClicked},
        {temperatureOffsetButton, &SetupDialog::onTemperatureOffsetClicked},
        {co2OffsetButton, &SetupDialog::onCo2OffsetClicked},
        {altitudeButton, &SetupDialog::onAltitudeClicked},
        {alarmButton, &SetupDialog::onAlarmClicked},
        {powerOffButton, &SetupDialog::onPowerOffClicked},
        {setClockButton, &SetupDialog::onSetClockClicked},
        {eraseMemoryButton, &SetupDialog::onEraseMemoryClicked},
        {readButton, &SetupDialog::onReadClicked},
        {setupAllButton, &SetupDialog::onSetupAllClicked},
    };
    for (const auto& [b, handler] : handlers)
        connect(b, &QPushButton::clicked, this, handler);
    connect(alarmSwitchBox, &QComboBox::currentIndexChanged, this, &SetupDialog::onAlarmSwitchChanged);
    move(120, 66);
    showUnit(m_session.unitIsFahrenheit);
    connect(&m_link, &MeterLink::exclusiveChanged, this, [this](bool active) { setButtonsEnabled(!active); });
    setButtonsEnabled(!m_link.exclusiveActive());
}

SetupDialog::~SetupDialog() = default;

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
    if (operationRunning()) {
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

bool SetupDialog::checkConnected() {
    if (m_connected && m_connected())
        return true;
    m_prompter.message(kNoConnection);
    return false;
}

void SetupDialog::runOperation(const std::function<void()>& work, bool setupAllStep) {
    if (m_setupAllRunning && !setupAllStep)
        return; // a button pressed between two steps of Setup All
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
    if (operationRunning())
        return;
    if (m_link.PollBusy) {
        // Inside a poll tick's wait: start once the tick is over, so that every step runs in turn.
        QTimer::singleShot(0, this, &SetupDialog::onSetupAllClicked);
        return;
    }
    if (checkConnected())
        setupAll();
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

// Each step runs as if its button had been pressed: it checks the connection, holds the link for
// its own exchange only and lets the poll timer run again afterwards, so live readings go on in the
// waits between the steps, and the windows stay responsive. A connection lost on the way skips the
// steps that would need it, with one message rather than one for each step.
void SetupDialog::setupAll() {
    for (QLabel* l : {intervalResult, humidityOffsetResult, temperatureOffsetResult, co2OffsetResult,
                      altitudeResult, alarmResult, powerOffResult, clockResult, eraseResult})
        clearResult(l);
    struct Step {
        void (SetupDialog::*operation)();
        int waitAfterMs;
    };
    static constexpr Step kSteps[] = {
        {&SetupDialog::setInterval, 500},
        {&SetupDialog::setHumidityOffset, 500},
        {&SetupDialog::setTemperatureOffset, 1000},
        {&SetupDialog::setCo2Offset, 2000},
        {&SetupDialog::setAltitude, 1000},
        {&SetupDialog::setAlarm, 500},
        {&SetupDialog::setPowerOff, 500},
        {&SetupDialog::setClock, 500},
        {&SetupDialog::eraseMemory, 0},
        {&SetupDialog::readInformation, 0},
    };
    const QPointer<SetupDialog> self(this);
    m_setupAllRunning = true;
    bool lossReported = false;
    // Every step runs, whatever the one before it did.
    for (const Step& step : kSteps) {
        if (m_connected && m_connected())
            runOperation([this, &step] { (this->*step.operation)(); }, true);
        else if (!std::exchange(lossReported, true))
            m_prompter.message(kNoConnection);
        if (!self)
            return;
        if (step.waitAfterMs > 0)
            m_clock.pumpWait(step.waitAfterMs);
        if (!self)
            return;
    }
    m_setupAllRunning = false;
}
