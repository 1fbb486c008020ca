#pragma once
// Publishing readings to an MQTT broker over libmosquitto (Debian's libmosquitto1, the broker
// project's own C client: reconnects, last will, TLS with the system's CA store and QoS 1
// redelivery are built in, and it has no dependencies beyond OpenSSL).
//
// Topics, under the prefix (default qz407/<serial>):
//   <prefix>/state         each reading as one JSON-lines object, QoS 1
//   <prefix>/availability  "online" (retained) while we run; the last will and a clean exit: "offline"
//   homeassistant/sensor/qz407_<serial>_{co2,humidity,temperature}/config
//                          Home Assistant discovery, retained
// The network runs on libmosquitto's own thread. Readings taken while the broker is away wait in
// a bounded queue (the oldest dropped first) and go out in order once it is back; the library
// retries the connection with a growing delay meanwhile.
#include "cli/meter_session.h"
#include "cli/mqtt_options.h"
#include "cli/record_writer.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <set>

struct LiveReading;
struct mosquitto;

struct MqttMessage {
    QString topic;
    QByteArray payload;
    bool retain = false;
};

// The retained discovery configs of the three sensors, for a meter showing °F or °C.
QList<MqttMessage> homeAssistantDiscovery(const QString& prefix, const MeterIdentity& meter, bool fahrenheit);
// The prefix in use: the option's, or qz407/<serial>.
QString mqttPrefix(const MqttOptions& options, const MeterIdentity& meter);

class MqttPublisher {
  public:
    enum class Start {
        Connected,
        Unreachable, // no broker at the address (or no answer): worth trying again later
        Refused,     // the broker said no (user, password, ...), or TLS failed: trying again won't help
    };

    MqttPublisher(MqttOptions options, MeterIdentity meter);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Connects and waits up to `waitMs` for the broker's answer; `error` says why not. After
    // Unreachable the publisher goes on trying in the background, queueing readings meanwhile.
    Start start(QString* error, int waitMs = 10000);

    // Queues one reading's state message (and first the discovery configs, again whenever the
    // meter's unit changes) and hands it to the network while connected.
    void publishReading(const QDateTime& taken, const LiveReading& reading);

    // The connection's news since the last call, as lines for standard error: lost, back, readings
    // dropped. Called from the command's loop, so messages come from one thread.
    QStringList takeNews();

    // Waits up to `waitMs` for every queued reading to be acknowledged by the broker; returns the
    // number still waiting.
    qsizetype waitForDelivery(int waitMs);

    // Waits up to `waitMs` for every queued reading to be acknowledged, then says "offline" and
    // disconnects. Returns the number of readings that were not delivered.
    qsizetype finish(int waitMs);

    const QString& stateTopic() const { return m_stateTopic; }

  private:
    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onPublish(mosquitto*, void* self, int mid);

    // With m_mutex held.
    void sendAvailableLocked();
    void sendDiscoveryLocked();
    void pumpLocked();
    qsizetype undeliveredLocked() const { return qsizetype(m_queue.size() + m_inflight.size()); }

    MqttOptions m_options;
    MeterIdentity m_meter;
    QString m_prefix, m_stateTopic, m_availabilityTopic;
    RecordWriter m_json;
    mosquitto* m_mosq = nullptr;
    bool m_loopRunning = false;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<QByteArray> m_queue; // not yet handed to the library
    std::set<int> m_inflight;       // handed, not yet acknowledged
    std::optional<bool> m_fahrenheit;
    bool m_connected = false;
    int m_connackRc = -1;
    int m_disconnects = 0;
    bool m_everConnected = false;
    bool m_lostUnreported = false;
    bool m_backUnreported = false;
    int64_t m_dropped = 0;
    bool m_dropUnreported = false;
};
