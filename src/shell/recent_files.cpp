#include "recent_files.h"

#include "platform/prompter.h"
#include "platform/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>

RecentFiles::RecentFiles(Settings& settings, Prompter& prompter, QMenu& menu,
                         std::function<void(const QString&)> open, QObject* parent)
    : QObject(parent), m_settings(settings), m_prompter(prompter), m_menu(menu), m_open(std::move(open)),
      m_files(settings.recentFiles()) {
    rebuildMenu();
}

QStringList RecentFiles::withFileOnTop(QStringList files, const QString& fileName) {
    const QString path = QFileInfo(fileName).absoluteFilePath();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > Settings::kMaxRecentFiles)
        files.removeLast();
    return files;
}

void RecentFiles::add(const QString& fileName) {
    const QStringList files = withFileOnTop(m_files, fileName);
    if (files == m_files)
        return;
    m_files = files;
    store();
}

void RecentFiles::openAt(int index) {
    if (index < 0 || index >= m_files.size())
        return;
    const QString path = m_files[index];
    if (!QFileInfo(path).isFile()) {
        m_files.removeAt(index);
        store();
        m_prompter.message(QStringLiteral("%1 is no longer there; it was taken off the recent files.")
                               .arg(QDir::toNativeSeparators(path)));
        return;
    }
    m_open(path);
}

void RecentFiles::store() {
    m_settings.setRecentFiles(m_files);
    rebuildMenu();
}

void RecentFiles::rebuildMenu() {
    m_menu.clear();
    for (int i = 0; i < m_files.size(); ++i) {
        // "&1 graph.ghf", the whole path as its tip; && keeps an ampersand in a name.
        QString name = QFileInfo(m_files[i]).fileName();
        name.replace(u'&', QStringLiteral("&&"));
        QAction* a = m_menu.addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
        a->setToolTip(QDir::toNativeSeparators(m_files[i]));
        a->setStatusTip(a->toolTip());
        connect(a, &QAction::triggered, this, [this, i] { openAt(i); });
    }
    m_menu.setEnabled(!m_files.isEmpty());
    m_menu.setToolTipsVisible(true);
}
