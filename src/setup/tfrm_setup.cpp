#include "tfrm_setup.h"

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

TfrmSetup::TfrmSetup(MeterLink& link, Prompter& prompter, Clock& clock, std::function<bool()> connected,
                     QWidget* parent)
    : QDialog(parent), m_link(link), m_prompter(prompter), m_clock(clock), m_connected(std::move(connected)),
      m_session(SetupSession::of(link)) {
    setObjectName(QStringLiteral("frmSetup"));
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

TfrmSetup::~TfrmSetup() = default;

// ---------------------------------------------------------------- layout

QGroupBox* TfrmSetup::group(const QString& title) {
    auto* g = new QGroupBox(title);
    setTextColor(g, kCaptionRed);
    return g;
}

QLabel* TfrmSetup::caption(const QString& text, const QString& name) {
    auto* l = new QLabel(text);
    if (!name.isEmpty())
        l->setObjectName(name);
    // Our own palette, so the red of the group caption does not reach the labels inside it.
    l->setPalette(palette());
    return l;
}

QLabel* TfrmSetup::readOut(const QString& name) {
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

QLabel* TfrmSetup::resultLabel(const QString& name) {
    auto* l = new QLabel;
    l->setObjectName(name);
    l->setPalette(palette());
    setTextColor(l, kOkGreen);
    l->setMinimumWidth(110);
    return l;
}

QLabel* TfrmSetup::unitPicture(const QString& text, const QString& name) {
    auto* l = caption(text, name);
    QFont f = l->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.4);
    l->setFont(f);
    return l;
}

QPushButton* TfrmSetup::button(const QString& text, const QString& name, void (TfrmSetup::*handler)()) {
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, handler);
    m_buttons << b;
    return b;
}

void TfrmSetup::buildLayout() {
    auto* columns = new QHBoxLayout(this);
    columns->addWidget(buildLeftColumn(), 0, Qt::AlignTop);
    columns->addWidget(buildRightColumn(), 0, Qt::AlignTop);
}

QWidget* TfrmSetup::buildLeftColumn() {
    auto* column = new QWidget;
    auto* v = new QVBoxLayout(column);
    v->setContentsMargins(0, 0, 0, 0);

    {
        auto* g = group(QStringLiteral("Meter Recording Interval "));
        auto* grid = new QGridLayout(g);
        edtInt1 = makeEditor(QStringLiteral("edtInt1"), QString(), 36);
        edtInt2 = makeEditor(QStringLiteral("edtInt2"), QString(), 36);
        for (QLineEdit* e : {edtInt1, edtInt2})
            e->setInputMask(QStringLiteral("99"));
        edtInt1->setText(QStringLiteral("00"));
        edtInt2->setText(QStringLiteral("02"));
        auto* row = new QHBoxLayout;
        row->addWidget(edtInt1);
        row->addWidget(caption(QStringLiteral(":")));
        row->addWidget(edtInt2);
        row->addWidget(caption(QStringLiteral("mm:ss(00:01~59:59)")));
        row->addStretch();
        grid->addLayout(row, 0, 0, 1, 2);
        grid->addWidget(button(QStringLiteral("Adjust Meter Recording Interval "), QStringLiteral("Button2"),
                               &TfrmSetup::Button2Click),
                        1, 0);
        lblOK2 = resultLabel(QStringLiteral("lblOK2"));
        grid->addWidget(lblOK2, 1, 1);
        v->addWidget(g);
    }
    {
        auto* g = group(QStringLiteral("offset "));
        auto* grid = new QGridLayout(g);
        edtRH_offset = makeEditor(QStringLiteral("edtRH_offset"), QStringLiteral("0"), 60);
        edtT1_offset = makeEditor(QStringLiteral("edtT1_offset"), QStringLiteral("0"), 60);
        edtppm_offset = makeEditor(QStringLiteral("edtppm_offset"), QStringLiteral("0"), 60);
        lblOK6 = resultLabel(QStringLiteral("lblOK6"));
        Label24 = resultLabel(QStringLiteral("Label24"));
        Label28 = resultLabel(QStringLiteral("Label28"));

        grid->addWidget(caption(QStringLiteral("%RH")), 0, 0);
        grid->addWidget(edtRH_offset, 0, 1);
        grid->addWidget(caption(QStringLiteral("10.0~-10.0")), 0, 2);
        grid->addWidget(button(QStringLiteral("setup"), QStringLiteral("Button7"), &TfrmSetup::Button7Click),
                        0, 3);
        grid->addWidget(lblOK6, 0, 4);

        // The hint of the meter's unit is shown with its picture.
        auto* hints = new QHBoxLayout;
        imgC = new QWidget;
        imgC->setObjectName(QStringLiteral("imgC"));
        auto* c = new QHBoxLayout(imgC);
        c->setContentsMargins(0, 0, 0, 0);
        c->addWidget(caption(QStringLiteral("-5.0~5.0 ")));
        c->addWidget(unitPicture(QStringLiteral("\u00B0C"), QString()));
        imgF = new QWidget;
        imgF->setObjectName(QStringLiteral("imgF"));
        auto* f = new QHBoxLayout(imgF);
        f->setContentsMargins(0, 0, 0, 0);
        f->addWidget(caption(QStringLiteral("-9.0~9.0 ")));
        f->addWidget(unitPicture(QStringLiteral("\u00B0F"), QString()));
        hints->addWidget(imgC);
        hints->addWidget(imgF);
        grid->addWidget(caption(QStringLiteral("temperature")), 1, 0);
        grid->addWidget(edtT1_offset, 1, 1);
        grid->addLayout(hints, 1, 2);
        grid->addWidget(
            button(QStringLiteral("setup"), QStringLiteral("Button12"), &TfrmSetup::Button12Click), 1, 3);
        grid->addWidget(Label24, 1, 4);

        grid->addWidget(caption(QStringLiteral("ppm")), 2, 0);
        grid->addWidget(edtppm_offset, 2, 1);
        grid->addWidget(caption(QStringLiteral("400~-400")), 2, 2);
        grid->addWidget(
            button(QStringLiteral("setup"), QStringLiteral("Button13"), &TfrmSetup::Button13Click), 2, 3);
        grid->addWidget(Label28, 2, 4);
        v->addWidget(g);
    }
    {
        auto* g = group(QStringLiteral("altitude compensation"));
        auto* h = new QHBoxLayout(g);
        edtalt_offset = makeEditor(QStringLiteral("edtalt_offset"), QStringLiteral("0"), 60);
        Label29 = resultLabel(QStringLiteral("Label29"));
        h->addWidget(edtalt_offset);
        h->addWidget(caption(QStringLiteral("m")));
        h->addWidget(caption(QStringLiteral("0~8848")));
        h->addStretch();
        h->addWidget(button(QStringLiteral("setup"), QStringLiteral("Button14"), &TfrmSetup::Button14Click));
        h->addWidget(Label29);
        v->addWidget(g);
    }
    {
        auto* g = group(QStringLiteral("CO2 Alarm"));
        auto* h = new QHBoxLayout(g);
        ComboBox1 = new QComboBox;
        ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
        ComboBox1->addItems({QStringLiteral("Off"), QStringLiteral("On")});
        ComboBox1->setCurrentIndex(0);
        connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TfrmSetup::ComboBox1Change);
        Edit4 = makeEditor(QStringLiteral("Edit4"), QString(), 60);
        Edit5 = makeEditor(QStringLiteral("Edit5"), QString(), 60);
        lblHi = caption(QStringLiteral("Hi:"));
        lblLo = caption(QStringLiteral("Lo:"));
        Label12 = resultLabel(QStringLiteral("Label12"));
        h->addWidget(ComboBox1);
        h->addWidget(lblHi);
        h->addWidget(Edit4);
        h->addWidget(lblLo);
        h->addWidget(Edit5);
        h->addWidget(caption(QStringLiteral("0~40000")));
        h->addStretch();
        h->addWidget(button(QStringLiteral("setup"), QStringLiteral("Button11"), &TfrmSetup::Button11Click));
        h->addWidget(Label12);
        v->addWidget(g);
    }
    {
        auto* g = group(QStringLiteral("auto power off"));
        auto* h = new QHBoxLayout(g);
        ComboBox2 = new QComboBox;
        ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
        for (int i = 0; i < kPowerOffCodes; ++i)
            ComboBox2->addItem(powerOffEntry(i));
        ComboBox2->addItem(QString());
        ComboBox2->setCurrentIndex(1);
        Label38 = resultLabel(QStringLiteral("Label38"));
        h->addWidget(ComboBox2);
        h->addStretch();
        h->addWidget(button(QStringLiteral("setup"), QStringLiteral("Button16"), &TfrmSetup::Button16Click));
        h->addWidget(Label38);
        v->addWidget(g);
    }
    {
        auto* g = group(QStringLiteral("Meter Clock"));
        auto* h = new QHBoxLayout(g);
        lblOK1 = resultLabel(QStringLiteral("lblOK1"));
        h->addWidget(button(QStringLiteral("Adjust Meter Time To Computer Time"), QStringLiteral("Button1"),
                            &TfrmSetup::Button1Click));
        h->addWidget(lblOK1);
        h->addStretch();
        v->addWidget(g);
    }
    {
        auto* g = group(QStringLiteral("Erase Meter Memory"));
        auto* h = new QHBoxLayout(g);
        lblOK3 = resultLabel(QStringLiteral("lblOK3"));
        h->addWidget(button(QStringLiteral("Erase Meter Memory"), QStringLiteral("Button3"),
                            &TfrmSetup::Button3Click));
        h->addWidget(lblOK3);
        h->addStretch();
        v->addWidget(g);
    }
    return column;
}

QWidget* TfrmSetup::buildRightColumn() {
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
    add(QStringLiteral("Memory Available:"), txtMemoryAvailable, QStringLiteral("txtMemoryAvailable"));
    add(QStringLiteral("Meter Time:"), txtMeterTime, QStringLiteral("txtMeterTime"));
    add(QStringLiteral("Recording Interval:"), txtInt, QStringLiteral("txtInt"));
    add(QStringLiteral("Data Sets In Memory:"), txtDataSets, QStringLiteral("txtDataSets"));
    add(QStringLiteral("FirmWare Version:"), txtVer, QStringLiteral("txtVer"));
    add(QStringLiteral("SN:"), txtSN, QStringLiteral("txtSN"));
    add(QStringLiteral("ALARM:"), txtAlarm, QStringLiteral("txtAlarm"));
    add(QStringLiteral("Hi:"), txtHi, QStringLiteral("txtHi"));
    add(QStringLiteral("Lo:"), txtLo, QStringLiteral("txtLo"));
    add(QStringLiteral("time to off:"), txtSleepTime, QStringLiteral("txtSleepTime"));
    {
        txtUnit = readOut(QStringLiteral("txtUnit"));
        unitC = unitPicture(QStringLiteral("\u00B0C"), QStringLiteral("unitC"));
        unitF = unitPicture(QStringLiteral("\u00B0F"), QStringLiteral("unitF"));
        auto* pictures = new QHBoxLayout;
        pictures->addWidget(txtUnit);
        pictures->addWidget(unitC);
        pictures->addWidget(unitF);
        pictures->addStretch();
        grid->addWidget(caption(QStringLiteral("Unit Type:")), row, 0);
        grid->addLayout(pictures, row, 1, 1, 2);
        ++row;
    }
    add(QStringLiteral("RH offset:"), txtRHoffset, QStringLiteral("txtRHoffset"));
    add(QStringLiteral("Temp. offset:"), txtT1offset, QStringLiteral("txtT1offset"));
    add(QStringLiteral("ppm offset:"), txtppmoffset, QStringLiteral("txtppmoffset"));
    add(QStringLiteral("altitude compensation:"), txtaltoffset, QStringLiteral("txtaltoffset"));
    add(QStringLiteral("Col 2000"), txtCol2000, QStringLiteral("txtCol2000"));
    add(QStringLiteral("Col 400"), txtCol400, QStringLiteral("txtCol400"));
    add(QStringLiteral("Col 0"), txtCol0, QStringLiteral("txtCol0"));
    lblOK5 = resultLabel(QStringLiteral("lblOK5"));
    grid->addWidget(button(QStringLiteral("Read  "), QStringLiteral("Button4"), &TfrmSetup::Button4Click),
                    row, 0);
    grid->addWidget(lblOK5, row, 1);
    v->addWidget(g);

    v->addWidget(button(QStringLiteral("Setup All"), QStringLiteral("Button6"), &TfrmSetup::Button6Click));
    v->addStretch();
    return column;
}

// ---------------------------------------------------------------- shell

void TfrmSetup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TfrmSetup::FormShow() {
    ComboBox1Change();
}

void TfrmSetup::ComboBox1Change() {
    const bool on = ComboBox1->currentIndex() == 1;
    for (QWidget* w : {static_cast<QWidget*>(Edit4), static_cast<QWidget*>(Edit5),
                       static_cast<QWidget*>(lblHi), static_cast<QWidget*>(lblLo)})
        w->setVisible(on);
}

void TfrmSetup::closeEvent(QCloseEvent* event) {
    // An operation in progress still uses the dialog's widgets; it ends within seconds.
    if (m_busy) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TfrmSetup::reject() {
    close();
}

void TfrmSetup::FormClose() {
    // A download or other exclusive exchange of another window keeps the poll timer off itself.
    if (!m_link.exclusiveActive())
        m_link.startMainTimer();
    emit setupClosed();
}

void TfrmSetup::setButtonsEnabled(bool enabled) {
    for (QPushButton* b : m_buttons)
        b->setEnabled(enabled);
}

bool TfrmSetup::checkConnected() {
    if (m_connected && m_connected())
        return true;
    m_prompter.message(kNoConnection);
    return false;
}

void TfrmSetup::runOperation(const std::function<void()>& work) {
    QPointer<TfrmSetup> self(this);
    m_link.runExclusive([self, work] {
        if (!self)
            return;
        self->m_busy = true;
        work();
        if (self)
            self->m_busy = false;
    });
}

SetupExchange TfrmSetup::exchange() {
    return SetupExchange(m_link.transport(), m_clock, m_session.frame, m_session.reply);
}

void TfrmSetup::clearResult(QLabel* label) {
    label->clear();
    setTextColor(label, kOkGreen);
    label->hide();
}

void TfrmSetup::showOk(QLabel* label) {
    setTextColor(label, kOkGreen);
    label->setText(QStringLiteral("OK"));
    label->show();
}

void TfrmSetup::showFail(QLabel* label, const QString& text) {
    setTextColor(label, kFailRed);
    label->setText(text);
    label->show();
}

void TfrmSetup::showUnit(bool fahrenheit) {
    unitF->setVisible(fahrenheit);
    imgF->setVisible(fahrenheit);
    unitC->setVisible(!fahrenheit);
    imgC->setVisible(!fahrenheit);
}

// ---------------------------------------------------------------- buttons

void TfrmSetup::Button4Click() {
    if (checkConnected())
        runOperation([this] { readInformation(); });
}

void TfrmSetup::Button1Click() {
    if (checkConnected())
        runOperation([this] { setClock(); });
}

void TfrmSetup::Button2Click() {
    if (checkConnected())
        runOperation([this] { setInterval(); });
}

void TfrmSetup::Button3Click() {
    if (!checkConnected())
        return;
    if (m_prompter.question(meter_config::kEraseQuestion, Prompter::YesNoCancel) != Prompter::Yes)
        return;
    runOperation([this] { eraseMemory(); });
}

void TfrmSetup::Button7Click() {
    if (checkConnected())
        runOperation([this] { setHumidityOffset(); });
}

void TfrmSetup::Button12Click() {
    if (checkConnected())
        runOperation([this] { setTemperatureOffset(); });
}

void TfrmSetup::Button13Click() {
    if (checkConnected())
        runOperation([this] { setCo2Offset(); });
}

void TfrmSetup::Button14Click() {
    if (checkConnected())
        runOperation([this] { setAltitude(); });
}

void TfrmSetup::Button11Click() {
    if (checkConnected())
        runOperation([this] { setAlarm(); });
}

void TfrmSetup::Button16Click() {
    if (checkConnected())
        runOperation([this] { setPowerOff(); });
}

void TfrmSetup::Button6Click() {
    if (checkConnected())
        runOperation([this] { setupAll(); });
}

// ---------------------------------------------------------------- operations

void TfrmSetup::readInformation() {
    clearResult(lblOK5);
    for (QLabel* l : {txtMemoryAvailable, txtMeterTime, txtInt, txtDataSets, txtVer, txtSN, txtAlarm, txtHi,
                      txtLo, txtSleepTime, txtT1offset, txtppmoffset, txtRHoffset, txtaltoffset})
        l->clear();
    repaint();
    m_clock.pumpWait(500);

    WaitCursor wait;
    SetupExchange ex = exchange();
    if (const int code = ex.readInformation(m_session.info); code != 0) {
        showFail(lblOK5, failCode(code));
        return;
    }
    const MeterInfo info = *decodeMeterInfo(m_session.info);
    const MeterInfoTexts texts = meterInfoTexts(info, QString::fromLatin1(ex.serialNumber()));

    txtVer->setText(texts.firmware);
    txtMeterTime->setText(texts.meterTime);
    txtInt->setText(texts.interval);
    edtInt1->setText(bcdText(info.intervalMinutesBcd));
    edtInt2->setText(bcdText(info.intervalSecondsBcd));
    txtDataSets->setText(texts.dataSets);
    txtMemoryAvailable->setText(texts.memoryAvailable);

    txtAlarm->setText(texts.alarm);
    ComboBox1->setCurrentIndex(info.alarmOn ? 1 : 0);
    ComboBox1Change();
    txtHi->setText(texts.high);
    Edit4->setText(texts.high);
    txtLo->setText(texts.low);
    Edit5->setText(texts.low);

    txtSleepTime->setText(texts.powerOff);
    if (info.powerOffCode < kPowerOffCodes)
        ComboBox2->setCurrentIndex(info.powerOffCode);

    txtRHoffset->setText(texts.rhOffset);
    edtRH_offset->setText(texts.rhOffset);

    m_session.unitIsFahrenheit = info.fahrenheit;
    txtUnit->setText(texts.unit);
    showUnit(info.fahrenheit);
    txtT1offset->setText(texts.temperatureOffset);
    edtT1_offset->setText(texts.temperatureOffset);

    txtppmoffset->setText(texts.ppmOffset);
    edtppm_offset->setText(texts.ppmOffset);
    txtaltoffset->setText(texts.altitude);
    edtalt_offset->setText(texts.altitude);
    txtCol2000->setText(texts.col2000);
    txtCol400->setText(texts.col400);
    txtCol0->setText(texts.col0);
    txtSN->setText(texts.serialNumber);

    showOk(lblOK5);
}

void TfrmSetup::setClock() {
    clearResult(lblOK1);
    m_clock.pumpWait(500);
    repaint();
    m_clock.pumpWait(500);
    WaitCursor wait;
    if (const int code = exchange().setClock(); code != 0)
        showFail(lblOK1, failCode(code));
    else
        showOk(lblOK1);
}

void TfrmSetup::setInterval() {
    const auto interval = meter_config::parseInterval(edtInt1->text(), edtInt2->text());
    if (!interval) {
        m_prompter.message(meter_config::kInvalidInterval);
        return;
    }
    clearResult(lblOK2);
    repaint();
    WaitCursor wait;
    m_clock.pumpWait(500);
    if (exchange().setInterval(interval->minutesBcd, interval->secondsBcd) != 0)
        showFail(lblOK2, QStringLiteral("Fail"));
    else
        showOk(lblOK2);
}

void TfrmSetup::eraseMemory() {
    clearResult(lblOK3);
    repaint();
    m_clock.pumpWait(500);
    WaitCursor wait;
    if (const int code = exchange().eraseMemory(); code != 0)
        showFail(lblOK3, failCode(code));
    else
        showOk(lblOK3);
}

void TfrmSetup::setHumidityOffset() {
    const auto value = meter_config::humidityOffsetCell(edtRH_offset->text());
    if (!value) {
        m_prompter.message(meter_config::kInvalidHumidity);
        return;
    }
    clearResult(lblOK6);
    WaitCursor wait;
    m_clock.pumpWait(500);
    if (exchange().writeCell(meter_config::kHumidityOffsetCell, *value) != 0)
        showFail(lblOK6, QStringLiteral("Fail"));
    else
        showOk(lblOK6);
}

void TfrmSetup::setTemperatureOffset() {
    const bool fahrenheit = m_session.unitIsFahrenheit;
    const auto value = meter_config::temperatureOffsetCell(edtT1_offset->text(), fahrenheit);
    if (!value) {
        m_prompter.message(meter_config::temperatureOffsetMessage(fahrenheit));
        return;
    }
    clearResult(Label24);
    WaitCursor wait;
    m_clock.pumpWait(500);
    if (exchange().writeCell(meter_config::kTemperatureOffsetCell, *value) != 0)
        showFail(Label24, QStringLiteral("Fail"));
    else
        showOk(Label24);
}

void TfrmSetup::setCo2Offset() {
    using Status = meter_config::Co2Offset::Status;
    clearResult(Label28);
    const auto offset = meter_config::parseCo2Offset(edtppm_offset->text());
    if (offset.status != Status::Ok) {
        m_prompter.message(meter_config::kInvalidCo2Offset);
        if (offset.status == Status::NotInteger)
            showFail(Label28, QStringLiteral("Fail"));
        return;
    }
    WaitCursor wait;
    m_clock.pumpWait(500);
    if (exchange().setCo2Offset(offset.bytes))
        showOk(Label28);
    else
        showFail(Label28, QStringLiteral("Fail"));
}

void TfrmSetup::setAltitude() {
    const auto metres = meter_config::parseAltitude(edtalt_offset->text());
    if (!metres) {
        m_prompter.message(meter_config::kInvalidAltitude);
        return;
    }
    WaitCursor wait;
    clearResult(Label29);
    m_clock.pumpWait(500);
    if (exchange().setAltitude(*metres))
        showOk(Label29);
    else
        showFail(Label29, QStringLiteral("Fail"));
    m_clock.pumpWait(500);
}

void TfrmSetup::setAlarm() {
    clearResult(Label12);
    std::optional<meter_config::AlarmLimits> limits;
    if (ComboBox1->currentIndex() == 1) {
        limits = meter_config::parseAlarmLimits(Edit4->text(), Edit5->text());
        if (limits->swapped) {
            const QString high = Edit4->text();
            Edit4->setText(Edit5->text());
            Edit5->setText(high);
        }
        if (!limits->ok()) {
            m_prompter.message(meter_config::kInvalidAlarm);
            return;
        }
    }
    WaitCursor wait;
    m_clock.pumpWait(500);
    if (exchange().setAlarm(meter_config::alarmBytes(limits)))
        showOk(Label12);
    else
        showFail(Label12, QStringLiteral("Fail"));
}

void TfrmSetup::setPowerOff() {
    clearResult(Label38);
    WaitCursor wait;
    m_clock.pumpWait(500);
    const auto code = static_cast<uint8_t>(ComboBox2->currentIndex());
    if (exchange().writeCell(meter_config::kPowerOffCell, code) != 0)
        showFail(Label38, QStringLiteral("Fail"));
    else
        showOk(Label38);
}

void TfrmSetup::setupAll() {
    for (QLabel* l : {lblOK2, lblOK6, Label24, Label28, Label29, Label12, Label38, lblOK1, lblOK3})
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
