#pragma once
// Test aids: hidden command-line options with which an end-to-end test drives the real program.
// They are not shown by --help and change nothing unless given.
//   --test-record COUNT:RATE  once the meter answers, starts a real-time recording of COUNT samples
//                             every RATE seconds (Run, with its setup dialog answered so), and
//                             prints "sample N" on standard output after each sample;
//   --test-recovery yes|no    answers the start-up question about a recording left unsaved instead
//                             of showing it, prints "question: <text>", then "recovered N samples,
//                             last at <date-time days>" or "declined", and quits; prints
//                             "no question" and quits when there was none.
//   --test-windows            prints each message as "message: <text>" instead of showing it;
//                             once the files named on the command line are open, prints
//                             "window: <caption>" for each child window and quits.
#include "platform/prompter.h"

#include <QString>

class QCommandLineParser;
class MainWindow;

class TestAids : public Prompter {
  public:
    static void addOptions(QCommandLineParser& parser);
    // `real` answers everything the aids leave alone.
    TestAids(const QCommandLineParser& parser, Prompter& real);

    // Hooks the aids that were asked for into the main window.
    void attach(MainWindow& main);
    // The files named on the command line have been opened.
    void commandLineFilesOpened();

    void message(const QString& text) override;
    Answer question(const QString& text, Buttons buttons) override;
    bool saveFile(FileRequest& request) override { return m_real.saveFile(request); }
    bool openFile(FileRequest& request) override { return m_real.openFile(request); }
    bool chooseColor(QColor& color) override { return m_real.chooseColor(color); }
    bool chooseFont(QFont& font) override { return m_real.chooseFont(font); }
    int runDialog(QDialog& dialog) override;

  private:
    Prompter& m_real;
    MainWindow* m_main = nullptr;
    int m_recordCount = -1; // -1: no recording asked for
    int m_recordRate = 0;
    QString m_recoveryAnswer; // empty: not asked for
    bool m_recoveryAsked = false;
    bool m_listWindows = false;
};
