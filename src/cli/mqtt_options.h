#pragma once
// The MQTT options that live and log share: the broker's URL and what goes with it. Reading them
// needs no MQTT library, so a wrong option is refused before any meter or broker is asked.
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>

#include <optional>

struct MqttOptions {
    bool tls = false; // mqtts://
    QString host;
    int port = 1883;
    QString user;
    std::optional<QString> password;
    QString caFile; // a private CA's certificate; empty: the system's CA store
    QString prefix; // topics' prefix; empty: qz407/<serial>
    bool discovery = true;
    int queueLimit = 10000; // readings kept while the broker is away

    // "mqtt://host:port", without user or password, for messages.
    QString address() const;
};

// mqtt://[user[:password]@]host[:port] or mqtts://...; empty with the reason in `error` otherwise.
std::optional<MqttOptions> parseMqttUrl(const QString& url, QString* error);

// --mqtt URL and its companions, for a command's option list.
QList<QCommandLineOption> mqttCommandOptions();
QCommandLineOption mqttOption();

// The options given to a command: empty without --mqtt (and `error` empty), or with the reason in
// `error` when one is wrong (a bad URL, an unreadable password file, a companion without --mqtt).
std::optional<MqttOptions> mqttOptionsFrom(const QCommandLineParser& parser, QString* error);

// What a serial number becomes in topics and identifiers: letters, digits, '-' and '_' kept, any
// other character '_' (MQTT wildcards and the topic separator must not reach a topic).
QString mqttSafeName(const QString& serial);
