#pragma once
#include <QString>
#include <memory>

class QSettings;

// The program's two stored values. On Windows they live under HKEY_LOCAL_MACHINE\SOFTWARE\QZ407
// (falling back to the user's hive when that cannot be written); elsewhere in an INI file.
class Settings {
  public:
    static constexpr int kDefaultRealTimeRate = 2;
    static constexpr quint32 kDefaultAnnoColor = 0;

    Settings();                             // the platform's default place
    explicit Settings(const QString& path); // an INI file, for tests
    ~Settings();

    int realTimeRate() const;
    quint32 annoColor() const;
    void setRealTimeRate(int seconds);
    void setAnnoColor(quint32 color);
    void sync();
    bool hasStoredValues() const;

  private:
    std::unique_ptr<QSettings> m_store;
};
