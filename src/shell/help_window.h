#pragma once
// The program's own help viewer: the help file in a browser window inside the program, for desktops
// where no external program opens it.
#include <QWidget>

class QTextBrowser;
class QToolButton;

class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    explicit HelpWindow(const QString& helpFile, QWidget* parent = nullptr);

    QTextBrowser* browser() const { return m_browser; }
    // False when the file could not be read; the window then says so.
    bool loaded() const { return m_loaded; }

  private:
    QTextBrowser* m_browser = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
    QToolButton* m_home = nullptr;
    bool m_loaded = false;
};
