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
    bool saveFile(FileRequest& r) override { return nextFile(r); }
    bool openFile(FileRequest& r) override { return nextFile(r); }
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
    bool nextFile(FileRequest& r) {
        fileRequests << r;
        if (files.empty())
            return false;
        const QString f = files.front();
        files.pop_front();
        if (!filterIndices.empty()) {
            r.filterIndex = filterIndices.front();
            filterIndices.pop_front();
        }
        if (f.isEmpty())
            return false;
        r.fileName = withDefaultExtension(f, r.defaultExt);
        return true;
    }
};
