#pragma once
// A real mosquitto broker for the tests, on a free loopback port, with a configuration file of its
// own in a temporary folder; and a mosquitto_sub that records what it receives.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

namespace mqtt_test {

// The broker binary: Debian puts it in /usr/sbin, outside a normal user's PATH.
inline QString program(const char* name) {
    const QString found = QStandardPaths::findExecutable(QLatin1String(name));
    if (!found.isEmpty())
        return found;
    return QStandardPaths::findExecutable(QLatin1String(name),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
}

inline int freePort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

class Broker {
  public:
    // Anonymous, or only `user` with `password`.
    explicit Broker(QString user = {}, QString password = {})
        : m_user(std::move(user)), m_password(std::move(password)), m_port(freePort()) {}
    ~Broker() { stop(); }

    int port() const { return m_port; }
    QString url() const { return QStringLiteral("mqtt://127.0.0.1:%1").arg(m_port); }

    // Starts the broker and waits until it takes connections.
    bool start(QString* error) {
        const QString binary = program("mosquitto");
        QStringList config{QStringLiteral("listener %1 127.0.0.1").arg(m_port),
                           QStringLiteral("persistence true"),
                           QStringLiteral("persistence_location %1/").arg(m_dir.path()),
                           QStringLiteral("log_dest file %1/broker.log").arg(m_dir.path())};
        // Started as root the broker would become the user "mosquitto", who cannot read our folder.
        if (const passwd* me = getpwuid(getuid()))
            config << QStringLiteral("user ") + QString::fromLocal8Bit(me->pw_name);
        if (m_user.isEmpty()) {
            config << QStringLiteral("allow_anonymous true");
        } else {
            const QString passwords = m_dir.filePath(QStringLiteral("passwords"));
            if (!QFile::exists(passwords) &&
                QProcess::execute(program("mosquitto_passwd"), {"-b", "-c", passwords, m_user, m_password}) !=
                    0) {
                *error = QStringLiteral("mosquitto_passwd failed");
                return false;
            }
            config << QStringLiteral("allow_anonymous false") << QStringLiteral("password_file ") + passwords;
        }
        const QString conf = m_dir.filePath(QStringLiteral("broker.conf"));
        QFile file(conf);
        if (!file.open(QIODevice::WriteOnly) || file.write(config.join(u'\n').toUtf8() + '\n') <= 0) {
            *error = QStringLiteral("cannot write ") + conf;
            return false;
        }
        file.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(binary, {QStringLiteral("-c"), conf});
        if (!m_process.waitForStarted(5000)) {
            *error = QStringLiteral("mosquitto did not start: ") + m_process.errorString();
            return false;
        }
        for (int i = 0; i < 100; ++i) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, quint16(m_port));
            if (probe.waitForConnected(100))
                return true;
            if (m_process.state() != QProcess::Running)
                break;
            QThread::msleep(50);
        }
        *error = QStringLiteral("mosquitto does not listen: ") + QString::fromUtf8(m_process.readAll()) +
                 QString::fromUtf8(log());
        return false;
    }
    // A polite stop, which saves the sessions of persistent clients.
    void stop() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(m_process.processId()), SIGTERM);
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    QByteArray log() const {
        QFile f(m_dir.filePath(QStringLiteral("broker.log")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

  private:
    QTemporaryDir m_dir;
    QString m_user, m_password;
    int m_port;
    QProcess m_process;
};

struct Message {
    bool retained = false;
    QString topic;
    QByteArray payload;
};

// mosquitto_sub with a persistent session (QoS 1, clean session off): messages published while it
// is away, as while the broker restarts, wait for it. The session is made before start() returns,
// so nothing published afterwards is missed.
class Subscriber {
  public:
    Subscriber(const Broker& broker, QStringList topics, QString user = {}, QString password = {})
        : m_port(broker.port()), m_topics(std::move(topics)), m_user(std::move(user)),
          m_password(std::move(password)) {}
    ~Subscriber() {
        m_process.kill();
        m_process.waitForFinished();
    }

    bool start() {
        if (QProcess::execute(program("mosquitto_sub"), arguments() << QStringLiteral("-E")) != 0)
            return false;
        m_process.start(program("mosquitto_sub"), arguments());
        return m_process.waitForStarted(5000);
    }

    // Waits up to `ms` until `done` holds for the messages received so far.
    bool waitFor(const std::function<bool(const QList<Message>&)>& done, int ms = 10000) {
        QElapsedTimer timer;
        timer.start();
        while (!done(messages())) {
            if (timer.elapsed() > ms)
                return false;
            m_process.waitForReadyRead(100);
        }
        return true;
    }

    // Every message so far: "retained-flag topic payload" a line.
    QList<Message> messages() {
        m_buffer += m_process.readAllStandardOutput();
        QList<Message> list;
        for (const QByteArray& line : m_buffer.split('\n')) {
            const qsizetype a = line.indexOf(' ');
            const qsizetype b = line.indexOf(' ', a + 1);
            if (a < 0 || b < 0)
                continue;
            list.append(
                {line.left(a) == "1", QString::fromUtf8(line.mid(a + 1, b - a - 1)), line.mid(b + 1)});
        }
        return list;
    }
    QList<QByteArray> payloadsOf(const QString& topic) {
        QList<QByteArray> list;
        for (const Message& m : messages())
            if (m.topic == topic)
                list.append(m.payload);
        return list;
    }

  private:
    QStringList arguments() const {
        QStringList a{"-h", "127.0.0.1", "-p",      QString::number(m_port), "-q", "1", "-c", "-i",
                      m_id, "-F",        "%r %t %p"};
        for (const QString& t : m_topics)
            a << "-t" << t;
        if (!m_user.isEmpty())
            a << "-u" << m_user << "-P" << m_password;
        return a;
    }

    int m_port;
    QStringList m_topics;
    QString m_user, m_password;
    QString m_id = QStringLiteral("qz407-test-%1").arg(QCoreApplication::applicationPid());
    QProcess m_process;
    QByteArray m_buffer;
};

// The retained messages of `topics` as a newly arriving client gets them.
inline QList<Message> retainedMessages(const Broker& broker, const QStringList& topics, int count) {
    QStringList a{"-h",       "127.0.0.1",       "-p", QString::number(broker.port()), "-F",
                  "%r %t %p", "--retained-only", "-C", QString::number(count),         "-W",
                  "5"};
    for (const QString& t : topics)
        a << "-t" << t;
    QProcess sub;
    sub.start(program("mosquitto_sub"), a);
    sub.waitForFinished(10000);
    QList<Message> list;
    for (const QByteArray& line : sub.readAllStandardOutput().split('\n')) {
        const qsizetype x = line.indexOf(' ');
        const qsizetype y = line.indexOf(' ', x + 1);
        if (x >= 0 && y >= 0)
            list.append(
                {line.left(x) == "1", QString::fromUtf8(line.mid(x + 1, y - x - 1)), line.mid(y + 1)});
    }
    return list;
}

} // namespace mqtt_test
