#include "mqtt_options.h"

#include <QDir>
#include <QFile>
#include <QUrl>

namespace {

QCommandLineOption caOption() {
    return QCommandLineOption(QStringLiteral("mqtt-ca"),
                              QStringLiteral("The CA certificate (PEM) of an mqtts:// broker with a\n"
                                             "private CA; default: the system's CA store."),
                              QStringLiteral("FILE"));
}
QCommandLineOption passwordFileOption() {
    return QCommandLineOption(QStringLiteral("mqtt-password-file"),
                              QStringLiteral("Read the broker password from the first line of FILE."),
                              QStringLiteral("FILE"));
}
QCommandLineOption prefixOption() {
    return QCommandLineOption(QStringLiteral("mqtt-prefix"),
                              QStringLiteral("Topic prefix; default: qz407/<serial>."),
                              QStringLiteral("TOPIC"));
}
QCommandLineOption noDiscoveryOption() {
    return QCommandLineOption(QStringLiteral("no-discovery"),
                              QStringLiteral("Publish no Home Assistant discovery configs."));
}
QCommandLineOption queueOption() {
    return QCommandLineOption(QStringLiteral("mqtt-queue"),
                              QStringLiteral("Readings kept while the broker is away (default 10000);\n"
                                             "beyond them the oldest are dropped."),
                              QStringLiteral("N"));
}

} // namespace

QString MqttOptions::address() const {
    return QStringLiteral("%1://%2:%3")
        .arg(tls ? QStringLiteral("mqtts") : QStringLiteral("mqtt"),
             host.contains(u':') ? u'[' + host + u']' : host)
        .arg(port);
}

std::optional<MqttOptions> parseMqttUrl(const QString& text, QString* error) {
    const auto fail = [&](const QString& why) -> std::optional<MqttOptions> {
        if (error)
            *error = QStringLiteral("bad MQTT URL '%1': %2").arg(text, why);
        return std::nullopt;
    };
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return fail(url.errorString());
    MqttOptions o;
    if (url.scheme() == QLatin1String("mqtts"))
        o.tls = true;
    else if (url.scheme() != QLatin1String("mqtt"))
        return fail(QStringLiteral("it must begin with mqtt:// or mqtts://"));
    o.host = url.host();
    if (o.host.isEmpty())
        return fail(QStringLiteral("no host"));
    if (!url.path().isEmpty() && url.path() != QLatin1String("/"))
        return fail(QStringLiteral("a broker URL has no path (topics go with --mqtt-prefix)"));
    if (url.hasQuery() || url.hasFragment())
        return fail(QStringLiteral("a broker URL has no query or fragment"));
    o.port = url.port(o.tls ? 8883 : 1883);
    if (o.port < 1 || o.port > 65535)
        return fail(QStringLiteral("the port must be 1 to 65535"));
    o.user = url.userName(QUrl::FullyDecoded);
    if (!url.password().isNull())
        o.password = url.password(QUrl::FullyDecoded);
    if (o.password && o.user.isEmpty())
        return fail(QStringLiteral("a password needs a user"));
    return o;
}

QCommandLineOption mqttOption() {
    return QCommandLineOption(QStringLiteral("mqtt"),
                              QStringLiteral("Publish each reading to this MQTT broker:\n"
                                             "mqtt://[user[:password]@]host[:port] or mqtts://..."),
                              QStringLiteral("URL"));
}

QList<QCommandLineOption> mqttCommandOptions() {
    return {mqttOption(),   passwordFileOption(), caOption(),
            prefixOption(), noDiscoveryOption(),  queueOption()};
}

std::optional<MqttOptions> mqttOptionsFrom(const QCommandLineParser& p, QString* error) {
    error->clear();
    if (!p.isSet(mqttOption())) {
        for (const QCommandLineOption& o : mqttCommandOptions())
            if (p.isSet(o)) {
                *error = QStringLiteral("--%1 needs --mqtt").arg(o.names().first());
                return std::nullopt;
            }
        return std::nullopt;
    }
    std::optional<MqttOptions> o = parseMqttUrl(p.value(mqttOption()), error);
    if (!o)
        return std::nullopt;
    if (p.isSet(passwordFileOption())) {
        if (o->password) {
            *error = QStringLiteral("--mqtt-password-file and a password in the URL exclude each other");
            return std::nullopt;
        }
        if (o->user.isEmpty()) {
            *error = QStringLiteral("--mqtt-password-file needs a user in the URL (mqtt://user@host)");
            return std::nullopt;
        }
        const QString path = p.value(passwordFileOption());
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QDir::toNativeSeparators(path) + QStringLiteral(": ") + file.errorString();
            return std::nullopt;
        }
        QByteArray line = file.readLine(4096);
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        o->password = QString::fromUtf8(line);
    }
    if (p.isSet(caOption())) {
        if (!o->tls) {
            *error = QStringLiteral("--mqtt-ca is for an mqtts:// broker");
            return std::nullopt;
        }
        o->caFile = p.value(caOption());
        if (!QFile::exists(o->caFile)) {
            *error = QDir::toNativeSeparators(o->caFile) + QStringLiteral(": no such file");
            return std::nullopt;
        }
    }
    if (p.isSet(prefixOption())) {
        o->prefix = p.value(prefixOption());
        while (o->prefix.endsWith(u'/'))
            o->prefix.chop(1);
        if (o->prefix.isEmpty() || o->prefix.contains(u'+') || o->prefix.contains(u'#')) {
            *error = QStringLiteral("--mqtt-prefix needs a topic without the wildcards + and #");
            return std::nullopt;
        }
    }
    o->discovery = !p.isSet(noDiscoveryOption());
    if (p.isSet(queueOption())) {
        bool ok = false;
        o->queueLimit = p.value(queueOption()).toInt(&ok);
        if (!ok || o->queueLimit < 1 || o->queueLimit > 10000000) {
            *error = QStringLiteral("--mqtt-queue needs a number from 1 to 10000000");
            return std::nullopt;
        }
    }
    return o;
}

QString mqttSafeName(const QString& serial) {
    QString name;
    for (const QChar c : serial)
        name += (c.isLetterOrNumber() && c.unicode() < 128) || c == u'-' || c == u'_' ? c : u'_';
    return name.isEmpty() ? QStringLiteral("unknown") : name;
}
