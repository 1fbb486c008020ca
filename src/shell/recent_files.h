#pragma once
// The File menu's "Recent Files": the files opened last, newest first, kept in the settings.
#include <QObject>
#include <QStringList>
#include <functional>

class QMenu;
class Prompter;
class Settings;

class RecentFiles : public QObject {
    Q_OBJECT
  public:
    // `open` opens a file picked from the menu as File > Open would (and reports its failures).
    RecentFiles(Settings& settings, Prompter& prompter, QMenu& menu, std::function<void(const QString&)> open,
                QObject* parent = nullptr);

    // The list with `fileName` at its top: once only, at most Settings::kMaxRecentFiles long.
    static QStringList withFileOnTop(QStringList files, const QString& fileName);

    QStringList files() const { return m_files; }
    // A file was opened: it goes to the top, and the list is stored at once.
    void add(const QString& fileName);
    // Opens the file at `index` of the list; a file no longer there is taken off with a message.
    void openAt(int index);

  private:
    void store();
    void rebuildMenu();

    Settings& m_settings;
    Prompter& m_prompter;
    QMenu& m_menu;
    std::function<void(const QString&)> m_open;
    QStringList m_files;
};
