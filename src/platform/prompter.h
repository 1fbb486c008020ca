#pragma once
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

// Every message box, question and common dialog goes through a Prompter, so windows can be
// driven by tests. WidgetPrompter shows real dialogs; tests use a scripted one.
class Prompter {
  public:
    enum Answer { Ok, Yes, No, Cancel };
    enum Buttons { YesNoCancel, YesNo, OkCancel };

    struct FileRequest {
        QString title;
        QString filter;      // as the program writes it: "Name|*.EXT|Name2|*.EXT2"
        int filterIndex = 1; // 1-based, as chosen on return
        QString initialDir;
        QString defaultExt; // without the dot
        QString fileName;   // initial name in, chosen path out
        bool overwritePrompt = true;
    };

    virtual ~Prompter() = default;
    virtual void message(const QString& text) = 0;
    virtual Answer question(const QString& text, Buttons buttons = YesNoCancel) = 0;
    // Returns false when the user cancels.
    virtual bool saveFile(FileRequest& request) = 0;
    virtual bool openFile(FileRequest& request) = 0;
    virtual bool chooseColor(QColor& color) = 0;
    virtual bool chooseFont(QFont& font) = 0;
    // Runs one of the program's own modal dialogs; returns its exec() result.
    virtual int runDialog(QDialog& dialog) = 0;
};

class WidgetPrompter : public Prompter {
  public:
    explicit WidgetPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    void message(const QString& text) override;
    Answer question(const QString& text, Buttons buttons) override;
    bool saveFile(FileRequest& request) override;
    bool openFile(FileRequest& request) override;
    bool chooseColor(QColor& color) override;
    bool chooseFont(QFont& font) override;
    int runDialog(QDialog& dialog) override;

    // The window a box or dialog belongs to: the dialog the user is working in (a modal one, or
    // the active window, such as the always-on-top Setup dialog), so that the box shows above it
    // and not behind; otherwise the main window.
    QWidget* dialogParent() const;

  private:
    QWidget* m_parent;
};

// "A|*.X|B|*.Y" -> Qt's "A (*.X);;B (*.Y)" and back to the 1-based index.
QStringList qtFilterList(const QString& programFilter);
// The extension of each file type of a program filter, at most five: in each type "*." stands
// first in the description, then in the pattern, and the extension is the four characters from
// the second one's dot (".GHF", ".TXT", ".CSV", ".407").
QStringList filterExtensions(const QString& filter);
// The file name a save dialog shows when the user picks file type `typeIndex` (counted from 1):
// the current name without its folder, with the chosen type's extension.
QString typeChangedFileName(const QString& filter, int typeIndex, const QString& currentName);
// The extension (without the dot) a saved name typed without one gets once the user has picked file
// type `typeIndex` (counted from 1): that type's, or the default one where the type has none. Until a
// type is picked, it is the default extension.
QString typeExtension(const QString& filter, int typeIndex, const QString& defaultExt);
// Appends the default extension when the chosen name has none.
QString withDefaultExtension(const QString& path, const QString& defaultExt);
