#include "test_aids.h"

#include "chart/chart_widget.h"
#include "realtime/real_time_setup_dialog.h"
#include "shell/main_window.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

const QString kRecordOption = QStringLiteral("test-record");
const QString kRecoveryOption = QStringLiteral("test-recovery");
const QString kWindowsOption = QStringLiteral("test-windows");

void say(const QString& line) {
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

// After everything already queued, including what that queues in turn once.
void later(QObject* context, std::function<void()> work) {
    QTimer::singleShot(0, context,
                       [context, work = std::move(work)] { QTimer::singleShot(0, context, work); });
}

} // namespace

void TestAids::addOptions(QCommandLineParser& parser) {
    QCommandLineOption record(kRecordOption,
                              QStringLiteral("Test aid: record COUNT samples every RATE seconds."),
                              QStringLiteral("count:rate"));
    record.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption recovery(kRecoveryOption,
                                QStringLiteral("Test aid: answer the recovery question, report, quit."),
                                QStringLiteral("yes|no"));
    recovery.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption windows(
        kWindowsOption,
        QStringLiteral("Test aid: print messages and the windows the command line opened, quit."));
    windows.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(record);
    parser.addOption(recovery);
    parser.addOption(windows);
}

void TestAids::message(const QString& text) {
    if (m_listWindows)
        say(QStringLiteral("message: ") + text);
    else
        m_real.message(text);
}

void TestAids::commandLineFilesOpened() {
    if (!m_listWindows || !m_main)
        return;
    for (QMdiSubWindow* sub : m_main->mdiArea()->subWindowList())
        say(QStringLiteral("window: ") + sub->windowTitle());
    QCoreApplication::exit(0);
}

TestAids::TestAids(const QCommandLineParser& parser, Prompter& real) : m_real(real) {
    const QStringList record = parser.value(kRecordOption).split(u':');
    if (record.size() == 2) {
        m_recordCount = record[0].toInt();
        m_recordRate = record[1].toInt();
    }
    m_recoveryAnswer = parser.value(kRecoveryOption);
    m_listWindows = parser.isSet(kWindowsOption);
}

void TestAids::attach(MainWindow& main) {
    m_main = &main;
    if (m_recordCount >= 0) {
        QObject::connect(&main.poll(), &PollCycle::connectionMade, &main, [&main] {
            if (!main.realTime().Running && main.realTime().SampleCount == 0)
                main.runAction->trigger();
        });
        // Connected after the recorder: the sample of this tick is taken by now.
        auto last = std::make_shared<int>(0);
        QObject::connect(&main.poll(), &PollCycle::liveReadingValid, &main, [&main, last] {
            const int taken = main.realTime().SampleCount;
            if (taken != *last && main.realTime().Running) {
                *last = taken;
                say(QStringLiteral("sample %1").arg(taken));
            }
        });
    }
    if (!m_recoveryAnswer.isEmpty()) {
        QObject::connect(&main, &MainWindow::firstShown, &main, [this, &main] {
            later(&main, [this] {
                if (!m_recoveryAsked) {
                    say(QStringLiteral("no question"));
                    QCoreApplication::exit(0);
                }
            });
        });
    }
}

Prompter::Answer TestAids::question(const QString& text, Buttons buttons) {
    if (m_recoveryAnswer.isEmpty() || m_recoveryAsked ||
        !text.startsWith(QStringLiteral("A real-time recording of ")))
        return m_real.question(text, buttons);
    m_recoveryAsked = true;
    say(QStringLiteral("question: ") + text);
    const bool yes = m_recoveryAnswer == QStringLiteral("yes");
    // The recording is restored once this answer is given: report it afterwards.
    QTimer::singleShot(0, m_main, [this, yes] {
        if (yes) {
            const RealTimeState& state = m_main->realTime();
            GraphWindow* window = m_main->recorder().window();
            const ChartWidget* chart = window ? window->chart : nullptr;
            const double last = chart && state.SampleCount > 0 && chart->Points() > 0
                                    ? chart->XDataII(0, std::min(state.SampleCount, chart->Points()) - 1)
                                    : 0.0;
            say(QStringLiteral("recovered %1 samples, last at %2")
                    .arg(state.SampleCount)
                    .arg(last, 0, 'f', 8));
        } else {
            say(QStringLiteral("declined"));
        }
        QCoreApplication::exit(0);
    });
    return yes ? Yes : No;
}

int TestAids::runDialog(QDialog& dialog) {
    if (auto* setup = qobject_cast<RealTimeSetupDialog*>(&dialog); setup && m_recordCount >= 0) {
        setup->sampleCountEdit->setText(QString::number(m_recordCount));
        setup->setRate(m_recordRate / 60, m_recordRate % 60);
        return QDialog::Accepted;
    }
    return m_real.runDialog(dialog);
}
