#pragma once
#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QSettings;

// The program's stored values: the real-time rate, the mark colour and the graph windows' limit
// lines. On Windows they live under HKEY_LOCAL_MACHINE\SOFTWARE\QZ407
// (falling back to the user's hive when that cannot be written); elsewhere in an INI file.
class Settings {
  public:
    static constexpr int kDefaultRealTimeRate = 2;
    static constexpr quint32 kDefaultAnnoColor = 0;
    // View > Show Units: the graphs title their Y axes and label their figures with units.
    static constexpr bool kDefaultShowUnits = false;
    // Limit lines of the graph windows, per channel; temperatures per unit, as values are recorded.
    enum class LimitChannel { Ppm, Humidity, Celsius, Fahrenheit };
    static constexpr int kMaxLimitsPerChannel = 2;

    Settings();                             // the platform's default place
    explicit Settings(const QString& path); // an INI file, for tests
    ~Settings();

    int realTimeRate() const;
    quint32 annoColor() const;
    void setRealTimeRate(int seconds);
    void setAnnoColor(quint32 color);
    bool showUnits() const;
    void setShowUnits(bool on);
    // The stored limits of a channel, at most kMaxLimitsPerChannel; an item that is not a finite
    // number is left out, and nothing stored means no limits.
    std::vector<double> limits(LimitChannel channel) const;
    void setLimits(LimitChannel channel, const std::vector<double>& values);
    void sync();
    bool hasStoredValues() const;

    // The files opened last, newest first. Written to the store at once, so the list survives an
    // Exit (which stores nothing else) and a crash.
    static constexpr int kMaxRecentFiles = 8;
    QStringList recentFiles() const;
    void setRecentFiles(const QStringList& files);
    // The main window's geometry (QWidget::saveGeometry) and the size of each kind of child window
    // ("graph", "table"); empty or invalid when never stored.
    QByteArray mainWindowGeometry() const;
    void setMainWindowGeometry(const QByteArray& geometry);
    QSize childWindowSize(const QString& kind) const;
    void setChildWindowSize(const QString& kind, const QSize& size);
    // The folder a kind of file dialog ("graph", "collection", ...) last chose a file in; empty
    // when never stored. Written at once, like the recent files.
    QString lastFolder(const QString& kind) const;
    void setLastFolder(const QString& kind, const QString& folder);

  private:
    std::unique_ptr<QSettings> m_store;
};
