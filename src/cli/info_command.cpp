// info: the meter's information, as the setup dialog's "Read  " shows it.
#include "cli/cli_common.h"
#include "cli/meter_session.h"
#include "setup/meter_info.h"
#include "setup/setup_exchange.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QCommandLineOption jsonOption() {
    return QCommandLineOption(QStringLiteral("json"), QStringLiteral("One JSON object instead of text."));
}

// The meter's clock as ISO 8601, or null when its bytes are not a real date and time.
QJsonValue meterTimeIso(const QString& meterTimeText) {
    const QDateTime t = QDateTime::fromString(meterTimeText, QStringLiteral("MM/dd/yyyy   HH:mm:ss"));
    return t.isValid() ? QJsonValue(t.toString(Qt::ISODate)) : QJsonValue(QJsonValue::Null);
}

QByteArray infoJson(const MeterInfo& info, const MeterInfoTexts& shown, const MeterInfoTexts& c) {
    // Numbers with decimals come from the texts made in the C locale: the same rounding as shown.
    QJsonObject o;
    o.insert(QStringLiteral("serialNumber"), c.serialNumber);
    o.insert(QStringLiteral("dataSets"), int(info.dataSets));
    o.insert(QStringLiteral("memoryPosition"), qint64(info.memoryPosition));
    o.insert(QStringLiteral("memoryAvailable"), c.memoryAvailable.toLongLong());
    o.insert(QStringLiteral("interval"), c.interval);
    o.insert(QStringLiteral("firmware"), c.firmware.toDouble());
    o.insert(QStringLiteral("alarm"), info.alarmOn);
    o.insert(QStringLiteral("alarmHigh"), int(info.alarmHigh));
    o.insert(QStringLiteral("alarmLow"), int(info.alarmLow));
    o.insert(QStringLiteral("altitude"), int(info.altitude));
    o.insert(QStringLiteral("unit"), c.unit);
    o.insert(QStringLiteral("rhOffset"), c.rhOffset.toDouble());
    o.insert(QStringLiteral("temperatureOffset"), c.temperatureOffset.toDouble());
    o.insert(QStringLiteral("ppmOffset"), int(info.ppmOffset));
    o.insert(QStringLiteral("powerOffCode"), int(info.powerOffCode));
    o.insert(QStringLiteral("powerOff"), c.powerOff.isEmpty() ? QJsonValue(QJsonValue::Null) : c.powerOff);
    o.insert(QStringLiteral("meterTime"), meterTimeIso(c.meterTime));
    o.insert(QStringLiteral("meterTimeText"), shown.meterTime);
    o.insert(QStringLiteral("col2000"), int(info.col2000));
    o.insert(QStringLiteral("col400"), int(info.col400));
    o.insert(QStringLiteral("col0"), int(info.col0));
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

QByteArray infoText(const MeterInfoTexts& shown) {
    QString text;
    for (const MeterInfoLine& line : meterInfoLines())
        text += QString::fromLatin1(line.caption).leftJustified(24) + shown.*line.text + u'\n';
    return text.toUtf8();
}

int runInfo(CommandContext& context) {
    const auto session = MeterSession::open(context.global);
    if (!session)
        return ExitUsage;
    if (!session->connect())
        return MeterSession::noMeter();

    // A frame and buffers of the setup exchanges' own, apart from the link's, as the dialog has them.
    CommandFrame frame;
    SetupExchange::Reply reply{};
    SetupExchange::InfoReply infoReply{};
    SetupExchange exchange(session->transport(), session->clock(), frame, reply);
    if (const int code = exchange.readInformation(infoReply); code != 0) {
        console::error(QStringLiteral("Fail code=%1").arg(code));
        return session->failureExit();
    }
    const MeterInfo info = *decodeMeterInfo(infoReply);
    const QString serial = QString::fromLatin1(exchange.serialNumber());
    const MeterInfoTexts shown = meterInfoTexts(info, serial);

    const QByteArray bytes = context.parser.isSet(jsonOption())
                                 ? infoJson(info, shown, meterInfoTexts(info, serial, QLocale::c()))
                                 : infoText(shown);
    if (!console::out(std::string_view(bytes.constData(), std::size_t(bytes.size()))) ||
        !console::flushOut()) {
        console::error(QStringLiteral("standard output: write error"));
        return ExitFailed;
    }
    return ExitOk;
}

} // namespace

CommandEntry infoCommand() {
    CommandEntry entry;
    entry.name = QStringLiteral("info");
    entry.synopsis = QStringLiteral("info [--json]");
    entry.summary = QStringLiteral("the meter's information: serial number, memory, settings, clock");
    entry.description = QStringLiteral(
        "Reads the meter's information as the setup window's \"Read  \" does (up to three tries) and\n"
        "prints every field it shows: serial number, data sets in memory, memory available (free\n"
        "8-byte records), recording interval, firmware, alarm and its limits, altitude, unit,\n"
        "offsets, automatic power-off, meter time and the calibration points. Text in the locale,\n"
        "or with --json one JSON object (numbers as numbers, the meter time in ISO 8601).");
    entry.options = {jsonOption()};
    entry.run = runInfo;
    return entry;
}
