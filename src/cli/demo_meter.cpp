#include "demo_meter.h"

#include "link/command_frame.h"
#include "link/meter_link.h"
#include "platform/clock.h"

#include <QFile>

namespace {

bool parseNumbers(const QString& text, std::set<uint32_t>& into) {
    for (const QString& part : text.split(u'+')) {
        bool ok = false;
        const uint value = part.toUInt(&ok);
        if (!ok || value == 0)
            return false;
        into.insert(value);
    }
    return true;
}

} // namespace

std::optional<DemoAids> parseDemoAids(const QString& plan, QString* error) {
    DemoAids aids;
    auto fail = [&](const QString& item) -> std::optional<DemoAids> {
        if (error)
            *error = QStringLiteral("unknown demo fault '%1'").arg(item);
        return std::nullopt;
    };
    for (const QString& item : plan.split(u',', Qt::SkipEmptyParts)) {
        const QString key = item.section(u'=', 0, 0).trimmed();
        const QString value = item.section(u'=', 1).trimmed();
        bool ok = true;
        if (key == QLatin1String("absent") && value.isEmpty()) {
            aids.absent = true;
        } else if (key == QLatin1String("recording") && value.isEmpty()) {
            aids.recording = true;
        } else if (key == QLatin1String("unplug-after")) {
            aids.faults.unplugAfterExchanges = value.toUInt(&ok);
        } else if (key == QLatin1String("replug-after")) {
            aids.replugAfterMs = value.toLongLong(&ok);
            ok = ok && *aids.replugAfterMs >= 0;
        } else if (key == QLatin1String("fail-block")) {
            ok = parseNumbers(value, aids.faults.failBlockReads);
        } else if (key == QLatin1String("corrupt-checksum")) {
            const uint block = value.toUInt(&ok);
            ok = ok && block <= 0xFFFF;
            aids.faults.corruptChecksumBlocks.insert(uint16_t(block));
        } else if (key == QLatin1String("memory") && !value.isEmpty()) {
            QFile file(value);
            if (!file.open(QIODevice::ReadOnly)) {
                if (error)
                    *error = value + QStringLiteral(": ") + file.errorString();
                return std::nullopt;
            }
            const QByteArray bytes = file.read(meter_memory::Size);
            aids.memory.emplace(bytes.begin(), bytes.end());
        } else if (key == QLatin1String("range")) {
            const uint bits = value.toUInt(&ok);
            ok = ok && bits <= 0xFF;
            aids.rangeFlags = uint8_t(bits);
        } else if (key == QLatin1String("refuse") && !value.isEmpty()) {
            for (const QChar c : value)
                aids.faults.refuseAck.insert(char(c.toLatin1()));
        } else {
            return fail(item);
        }
        if (!ok)
            return fail(item);
    }
    return aids;
}

DemoMeter::DemoMeter(const Clock& clock, const DemoAids& aids)
    : m_clock(clock), m_meter(clock), m_replugAfterMs(aids.replugAfterMs) {
    if (aids.memory)
        m_meter.setMemory(*aids.memory);
    if (aids.recording) {
        // Pressing the meter's REC key starts a data set, as a user at the meter would.
        CommandFrame rec;
        rec.setCommand('E');
        std::array<uint8_t, 32> reply{};
        MeterLink::sendPanelCommand(m_meter, rec, reply);
        m_meter.closeDevice();
        m_meter.clearLog();
    }
    m_meter.faults = aids.faults;
    m_meter.setForcedRangeFlags(aids.rangeFlags);
    if (aids.absent)
        m_meter.unplug();
}

void DemoMeter::replugWhenDue() {
    if (m_meter.pluggedIn() || !m_replugAfterMs) {
        m_unpluggedAt.reset();
        return;
    }
    const int64_t now = m_clock.tickCount();
    if (!m_unpluggedAt)
        m_unpluggedAt = now;
    else if (now - *m_unpluggedAt >= *m_replugAfterMs)
        m_meter.plugIn();
}

int DemoMeter::openDevice(uint16_t vendorId, uint16_t productId) {
    replugWhenDue();
    return m_meter.openDevice(vendorId, productId);
}
int DemoMeter::setTimeouts(uint32_t readTimeout, uint32_t writeTimeout) {
    return m_meter.setTimeouts(readTimeout, writeTimeout);
}
int DemoMeter::writeFrame(uint32_t count, const uint8_t* bytes) {
    return m_meter.writeFrame(count, bytes);
}
int DemoMeter::finishWrite() {
    return m_meter.finishWrite();
}
int DemoMeter::readReply(uint32_t count, uint8_t* buffer) {
    return m_meter.readReply(count, buffer);
}
int DemoMeter::closeDevice() {
    return m_meter.closeDevice();
}
int DemoMeter::writeBlock(uint32_t count, const uint8_t* bytes) {
    return m_meter.writeBlock(count, bytes);
}
int DemoMeter::readSerialNumber(int first, char* buffer, int size) {
    return m_meter.readSerialNumber(first, buffer, size);
}
