#include "settings.h"

#include <QLocale>
#include <QSettings>
#include <QStringList>
#include <cmath>

namespace {
const char* const kRealTimeRateKey = "RealTimeRate";
const char* const kAnnoColorKey = "AnnoColor";
const char* const kShowUnitsKey = "ShowUnits";
const char* const kRecentFilesKey = "RecentFiles";
const char* const kGeometryKey = "MainWindowGeometry";
QString childSizeKey(const QString& kind) {
    return QStringLiteral("ChildWindowSize/") + kind;
}
QString lastFolderKey(const QString& kind) {
    return QStringLiteral("LastFolder/") + kind;
}

const char* limitKey(Settings::LimitChannel channel) {
    switch (channel) {
    case Settings::LimitChannel::Ppm:
        return "LimitPpm";
    case Settings::LimitChannel::Humidity:
        return "LimitRH";
    case Settings::LimitChannel::Celsius:
        return "LimitTempC";
    default:
        return "LimitTempF";
    }
}
} // namespace

Settings::Settings() {
#ifdef Q_OS_WIN
    m_store = std::make_unique<QSettings>("HKEY_LOCAL_MACHINE\\SOFTWARE\\QZ407", QSettings::NativeFormat);
    if (!m_store->isWritable())
        m_store = std::make_unique<QSettings>("HKEY_CURRENT_USER\\SOFTWARE\\QZ407", QSettings::NativeFormat);
#else
    m_store = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "QZ407", "QZ407");
#endif
}

Settings::Settings(const QString& path) : m_store(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}

Settings::~Settings() = default;

int Settings::realTimeRate() const {
    bool ok = false;
    const int v = m_store->value(kRealTimeRateKey, kDefaultRealTimeRate).toInt(&ok);
    // A rate the rate boxes cannot show (0, negative, above 60:60) is as unreadable as text.
    return ok && v >= 1 && v <= 3660 ? v : kDefaultRealTimeRate;
}

quint32 Settings::annoColor() const {
    bool ok = false;
    const quint32 v = m_store->value(kAnnoColorKey, kDefaultAnnoColor).toUInt(&ok);
    return ok ? v : kDefaultAnnoColor;
}

void Settings::setRealTimeRate(int seconds) {
    m_store->setValue(kRealTimeRateKey, seconds);
}

void Settings::setAnnoColor(quint32 color) {
    m_store->setValue(kAnnoColorKey, color);
}

bool Settings::showUnits() const {
    return m_store->value(kShowUnitsKey, kDefaultShowUnits).toBool();
}

void Settings::setShowUnits(bool on) {
    m_store->setValue(kShowUnitsKey, on);
}

std::vector<double> Settings::limits(LimitChannel channel) const {
    // Numbers in the C locale, separated by spaces, so a file stays readable whatever the user's
    // locale (a ';' would start a comment in an INI file, a ',' make a list).
    const QStringList items = m_store->value(limitKey(channel)).toString().split(u' ', Qt::SkipEmptyParts);
    std::vector<double> values;
    for (const QString& item : items) {
        bool ok = false;
        const double v = item.trimmed().toDouble(&ok);
        if (ok && std::isfinite(v) && int(values.size()) < kMaxLimitsPerChannel)
            values.push_back(v);
    }
    return values;
}

void Settings::setLimits(LimitChannel channel, const std::vector<double>& values) {
    QStringList items;
    for (double v : values)
        items << QString::number(v, 'g', QLocale::FloatingPointShortest);
    if (items.isEmpty())
        m_store->remove(limitKey(channel));
    else
        m_store->setValue(limitKey(channel), items.join(u' '));
}

void Settings::sync() {
    m_store->sync();
}

bool Settings::hasStoredValues() const {
    return m_store->contains(kRealTimeRateKey);
}

QStringList Settings::recentFiles() const {
    QStringList files = m_store->value(kRecentFilesKey).toStringList();
    files.removeAll(QString());
    files.removeDuplicates();
    return files.mid(0, kMaxRecentFiles);
}

void Settings::setRecentFiles(const QStringList& files) {
    m_store->setValue(kRecentFilesKey, files.mid(0, kMaxRecentFiles));
    m_store->sync();
}

QByteArray Settings::mainWindowGeometry() const {
    return m_store->value(kGeometryKey).toByteArray();
}

void Settings::setMainWindowGeometry(const QByteArray& geometry) {
    m_store->setValue(kGeometryKey, geometry);
}

QSize Settings::childWindowSize(const QString& kind) const {
    const QSize size = m_store->value(childSizeKey(kind)).toSize();
    return size.isValid() && !size.isEmpty() ? size : QSize();
}

void Settings::setChildWindowSize(const QString& kind, const QSize& size) {
    m_store->setValue(childSizeKey(kind), size);
}

QString Settings::lastFolder(const QString& kind) const {
    return m_store->value(lastFolderKey(kind)).toString();
}

void Settings::setLastFolder(const QString& kind, const QString& folder) {
    if (m_store->value(lastFolderKey(kind)).toString() == folder)
        return;
    m_store->setValue(lastFolderKey(kind), folder);
    m_store->sync();
}
