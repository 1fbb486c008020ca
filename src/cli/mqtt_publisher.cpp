#include "mqtt_publisher.h"

#include "live/live_reading.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <mosquitto.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

constexpr int KeepAliveSeconds = 30;
// The library tries again at once, then after 1, 2, 3, ... seconds, at most every 30 seconds.
constexpr unsigned RetryDelaySeconds = 1;
constexpr unsigned RetryDelayMaxSeconds = 30;
constexpr int QosAtLeastOnce = 1;

const char* Online = "online";
const char* Offline = "offline";

void libraryInit() {
    static const int once = [] {
        mosquitto_lib_init();
        return 0;
    }();
    (void)once;
}

QString reasonOf(int rc) {
    if (rc == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QString::fromUtf8(mosquitto_strerror(rc));
}

} // namespace

QString mqttPrefix(const MqttOptions& options, const MeterIdentity& meter) {
    return options.prefix.isEmpty() ? QStringLiteral("qz407/") + mqttSafeName(meter.serialNumber)
                                    : options.prefix;
}

QList<MqttMessage> homeAssistantDiscovery(const QString& prefix, const MeterIdentity& meter,
                                          bool fahrenheit) {
    struct Sensor {
        const char* key;
        const char* name;
        const char* deviceClass;
        const char* jsonName;
        QString unit;
    };
    const Sensor sensors[] = {
        {"co2", "CO2", "carbon_dioxide", "ppm", QStringLiteral("ppm")},
        {"humidity", "Humidity", "humidity", "rh", QStringLiteral("%")},
        {"temperature", "Temperature", "temperature", "temp",
         fahrenheit ? QStringLiteral("\u00B0F") : QStringLiteral("\u00B0C")},
    };
    const QString id = QStringLiteral("qz407_") + mqttSafeName(meter.serialNumber);
    QJsonObject device;
    device.insert(QStringLiteral("identifiers"), QJsonArray{id});
    device.insert(QStringLiteral("name"), QStringLiteral("QZ407 ") + meter.serialNumber);
    device.insert(QStringLiteral("model"), QStringLiteral("QZ407"));
    device.insert(QStringLiteral("serial_number"), meter.serialNumber);
    device.insert(QStringLiteral("sw_version"), meter.firmware);

    QList<MqttMessage> messages;
    for (const Sensor& s : sensors) {
        const QString objectId = id + u'_' + QLatin1String(s.key);
        QJsonObject config;
        config.insert(QStringLiteral("name"), QLatin1String(s.name));
        config.insert(QStringLiteral("unique_id"), objectId);
        config.insert(QStringLiteral("object_id"), objectId);
        config.insert(QStringLiteral("state_topic"), prefix + QStringLiteral("/state"));
        // A value out of range is null in the state message; it renders as "None", which Home
        // Assistant takes as an unknown state rather than a number.
        config.insert(QStringLiteral("value_template"),
                      QStringLiteral("{{ value_json.%1 }}").arg(QLatin1String(s.jsonName)));
        config.insert(QStringLiteral("device_class"), QLatin1String(s.deviceClass));
        config.insert(QStringLiteral("unit_of_measurement"), s.unit);
        config.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
        config.insert(QStringLiteral("availability_topic"), prefix + QStringLiteral("/availability"));
        config.insert(QStringLiteral("payload_available"), QLatin1String(Online));
        config.insert(QStringLiteral("payload_not_available"), QLatin1String(Offline));
        config.insert(QStringLiteral("device"), device);
        messages.append({QStringLiteral("homeassistant/sensor/%1/config").arg(objectId),
                         QJsonDocument(config).toJson(QJsonDocument::Compact), true});
    }
    return messages;
}

MqttPublisher::MqttPublisher(MqttOptions options, MeterIdentity meter)
    : m_options(std::move(options)), m_meter(std::move(meter)), m_prefix(mqttPrefix(m_options, m_meter)),
      m_stateTopic(m_prefix + QStringLiteral("/state")),
      m_availabilityTopic(m_prefix + QStringLiteral("/availability")), m_json(TextFormat::Jsonl) {}

MqttPublisher::~MqttPublisher() {
    if (m_mosq) {
        if (m_loopRunning) {
            mosquitto_disconnect(m_mosq);
            mosquitto_loop_stop(m_mosq, true);
        }
        mosquitto_destroy(m_mosq);
    }
}

MqttPublisher::Start MqttPublisher::start(QString* error, int waitMs) {
    libraryInit();
    // A client id of our own per process: two loggers of one meter must not throw each other out.
    const QByteArray clientId = QStringLiteral("qz407-%1-%2")
                                    .arg(mqttSafeName(m_meter.serialNumber))
                                    .arg(QCoreApplication::applicationPid())
                                    .toUtf8();
    m_mosq = mosquitto_new(clientId.constData(), true, this);
    if (!m_mosq) {
        *error = QStringLiteral("MQTT: cannot make a client: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return Start::Refused;
    }
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    if (!m_options.user.isEmpty()) {
        const QByteArray user = m_options.user.toUtf8();
        const QByteArray password = m_options.password.value_or(QString()).toUtf8();
        mosquitto_username_pw_set(m_mosq, user.constData(),
                                  m_options.password ? password.constData() : nullptr);
    }
    const QByteArray willTopic = m_availabilityTopic.toUtf8();
    mosquitto_will_set(m_mosq, willTopic.constData(), int(std::strlen(Offline)), Offline, QosAtLeastOnce,
                       true);
    if (m_options.tls) {
        int rc = MOSQ_ERR_SUCCESS;
        if (!m_options.caFile.isEmpty())
            rc = mosquitto_tls_set(m_mosq, QFile::encodeName(m_options.caFile).constData(), nullptr, nullptr,
                                   nullptr, nullptr);
        else
            rc = mosquitto_int_option(m_mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        if (rc != MOSQ_ERR_SUCCESS) {
            *error = QStringLiteral("%1: TLS set-up failed: %2").arg(m_options.address(), reasonOf(rc));
            return Start::Refused;
        }
    }
    mosquitto_reconnect_delay_set(m_mosq, RetryDelaySeconds, RetryDelayMaxSeconds, false);
    mosquitto_connect_callback_set(m_mosq, onConnect);
    mosquitto_disconnect_callback_set(m_mosq, onDisconnect);
    mosquitto_publish_callback_set(m_mosq, onPublish);

    const QByteArray host = m_options.host.toUtf8();
    const int rc = mosquitto_connect(m_mosq, host.constData(), m_options.port, KeepAliveSeconds);
    Start result = Start::Connected;
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = QStringLiteral("%1: cannot connect: %2").arg(m_options.address(), reasonOf(rc));
        if (rc == MOSQ_ERR_TLS || rc == MOSQ_ERR_INVAL)
            return Start::Refused;
        // The loop goes on trying in the background.
        result = Start::Unreachable;
    }
    if (mosquitto_loop_start(m_mosq) != MOSQ_ERR_SUCCESS) {
        *error = QStringLiteral("MQTT: cannot start the network thread");
        return Start::Refused;
    }
    m_loopRunning = true;
    if (result != Start::Connected)
        return result;

    std::unique_lock lock(m_mutex);
    const bool answered = m_changed.wait_for(lock, std::chrono::milliseconds(waitMs),
                                             [this] { return m_connackRc >= 0 || m_disconnects > 0; });
    if (m_connackRc == 0) {
        m_backUnreported = false;
        return Start::Connected;
    }
    if (m_connackRc > 0) {
        *error = QStringLiteral("%1: the broker refused the connection: %2")
                     .arg(m_options.address(), QString::fromUtf8(mosquitto_connack_string(m_connackRc)));
        lock.unlock();
        mosquitto_disconnect(m_mosq);
        mosquitto_loop_stop(m_mosq, true);
        m_loopRunning = false;
        return Start::Refused;
    }
    *error = answered ? QStringLiteral("%1: the broker closed the connection").arg(m_options.address())
                      : QStringLiteral("%1: no answer from the broker").arg(m_options.address());
    return Start::Unreachable;
}

void MqttPublisher::onConnect(mosquitto*, void* self, int rc) {
    auto* p = static_cast<MqttPublisher*>(self);
    {
        const std::lock_guard lock(p->m_mutex);
        p->m_connackRc = rc;
        if (rc == 0) {
            p->m_connected = true;
            if (p->m_everConnected)
                p->m_backUnreported = true;
            p->m_everConnected = true;
            p->sendAvailableLocked();
            p->sendDiscoveryLocked();
            p->pumpLocked();
        }
    }
    p->m_changed.notify_all();
}

void MqttPublisher::onDisconnect(mosquitto*, void* self, int rc) {
    auto* p = static_cast<MqttPublisher*>(self);
    {
        const std::lock_guard lock(p->m_mutex);
        if (p->m_connected && rc != 0)
            p->m_lostUnreported = true;
        p->m_connected = false;
        ++p->m_disconnects;
    }
    p->m_changed.notify_all();
}

void MqttPublisher::onPublish(mosquitto*, void* self, int mid) {
    auto* p = static_cast<MqttPublisher*>(self);
    {
        const std::lock_guard lock(p->m_mutex);
        p->m_inflight.erase(mid);
    }
    p->m_changed.notify_all();
}

void MqttPublisher::sendAvailableLocked() {
    const QByteArray topic = m_availabilityTopic.toUtf8();
    mosquitto_publish(m_mosq, nullptr, topic.constData(), int(std::strlen(Online)), Online, QosAtLeastOnce,
                      true);
}

void MqttPublisher::sendDiscoveryLocked() {
    if (!m_options.discovery || !m_fahrenheit)
        return;
    for (const MqttMessage& m : homeAssistantDiscovery(m_prefix, m_meter, *m_fahrenheit)) {
        const QByteArray t = m.topic.toUtf8();
        mosquitto_publish(m_mosq, nullptr, t.constData(), int(m.payload.size()), m.payload.constData(),
                          QosAtLeastOnce, m.retain);
    }
}

void MqttPublisher::pumpLocked() {
    const QByteArray topic = m_stateTopic.toUtf8();
    while (m_connected && !m_queue.empty()) {
        const QByteArray& payload = m_queue.front();
        int mid = 0;
        const int rc = mosquitto_publish(m_mosq, &mid, topic.constData(), int(payload.size()),
                                         payload.constData(), QosAtLeastOnce, false);
        if (rc != MOSQ_ERR_SUCCESS)
            break; // the connection went: the rest waits for the next one
        m_inflight.insert(mid);
        m_queue.pop_front();
    }
}

void MqttPublisher::publishReading(const QDateTime& taken, const LiveReading& reading) {
    std::string line;
    m_json.appendReading(line, taken, reading);
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    {
        const std::lock_guard lock(m_mutex);
        if (m_fahrenheit != reading.fahrenheit) {
            m_fahrenheit = reading.fahrenheit;
            if (m_connected)
                sendDiscoveryLocked();
        }
        m_queue.emplace_back(line.data(), qsizetype(line.size()));
        if (qsizetype(m_queue.size()) > m_options.queueLimit) {
            m_queue.pop_front();
            ++m_dropped;
            m_dropUnreported = true;
        }
        pumpLocked();
    }
}

QStringList MqttPublisher::takeNews() {
    QStringList news;
    const std::lock_guard lock(m_mutex);
    if (m_lostUnreported) {
        news << QStringLiteral("MQTT: lost the broker at %1; trying again, readings are queued")
                    .arg(m_options.address());
        m_lostUnreported = false;
    }
    if (m_dropUnreported) {
        news << QStringLiteral("MQTT: the queue holds %1 readings: %2 oldest dropped so far")
                    .arg(m_options.queueLimit)
                    .arg(m_dropped);
        m_dropUnreported = false;
    }
    if (m_backUnreported) {
        news << QStringLiteral("MQTT: connected to %1 again").arg(m_options.address());
        m_backUnreported = false;
    }
    return news;
}

qsizetype MqttPublisher::waitForDelivery(int waitMs) {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return undeliveredLocked() == 0; });
    return undeliveredLocked();
}

qsizetype MqttPublisher::finish(int waitMs) {
    if (!m_mosq || !m_loopRunning) {
        const std::lock_guard lock(m_mutex);
        return undeliveredLocked();
    }
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return undeliveredLocked() == 0; });
    const qsizetype undelivered = undeliveredLocked();
    if (m_connected) {
        // A clean exit sends no last will: say it ourselves, and wait briefly for the broker to take it.
        int mid = 0;
        const QByteArray topic = m_availabilityTopic.toUtf8();
        if (mosquitto_publish(m_mosq, &mid, topic.constData(), int(std::strlen(Offline)), Offline,
                              QosAtLeastOnce, true) == MOSQ_ERR_SUCCESS) {
            m_inflight.insert(mid);
            m_changed.wait_for(lock, std::chrono::seconds(2),
                               [&] { return !m_inflight.count(mid) || !m_connected; });
        }
    }
    lock.unlock();
    mosquitto_disconnect(m_mosq);
    mosquitto_loop_stop(m_mosq, false);
    m_loopRunning = false;
    return undelivered;
}
