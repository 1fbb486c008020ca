#pragma once
#include "platform/prompter.h"

#include <QDialog>
#include <QStringList>
#include <deque>
#include <functional>

// Answers from queues and records every text shown. An empty queue answers Cancel / false.
class ScriptedPrompter : public Prompter {
  public:
    QStringList shown;     // every message and question text, in order
    QStringList questions; // question texts only
    std::deque<Answer> answers;
    std::deque<QString> files;     // chosen paths; an empty string means Cancel
    std::deque<int> filterIndices; // filter chosen with the next file, when given
    std::deque<QColor> colors;
    std::deque<QFont> fonts;
    // Called with each of our own modal dialogs; returns the dialog result (default: reject).
    std::function<int(QDialog&)> dialogHandler;
    QList<FileRequest> fileRequests;

    void message(const QString& text) override { shown << text; }
    Answer question(const QString& text, Buttons) override {
        shown << text;
        questions << text;
        if (answers.empty())
            return Cancel;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    bool saveFile(FileRequest& r) override { return nextFile(r, true); }
    bool openFile(FileRequest& r) override { return nextFile(r, false); }
    bool chooseColor(QColor& c) override {
        if (colors.empty())
            return false;
        c = colors.front();
        colors.pop_front();
        return true;
    }
    bool chooseFont(QFont& f) override {
        if (fonts.empty())
            return false;
        f = fonts.front();
        fonts.pop_front();
        return true;
    }
    int runDialog(QDialog& d) override { return dialogHandler ? dialogHandler(d) : QDialog::Rejected; }

  private:
    bool nextFile(FileRequest& r, bool saving) {
        fileRequests << r;
        if (files.empty())
            return false;
        const QString f = files.front();
        files.pop_front();
        bool typePicked = false;
        if (!filterIndices.empty()) {
            r.filterIndex = filterIndices.front();
            filterIndices.pop_front();
            typePicked = true;
        }
        if (f.isEmpty())
            return false;
        // As the real dialog: a saved name without an extension gets the default one, or the type's
        // once a type is picked.
        r.fileName = withDefaultExtension(
            f, saving && typePicked ? typeExtension(r.filter, r.filterIndex, r.defaultExt) : r.defaultExt);
        return true;
    }
};
