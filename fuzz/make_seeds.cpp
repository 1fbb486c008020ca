// Writes the seed corpora of the fuzz targets with the program's own writers: graph files by
// writeGraphFile, memory images by the simulated meter's memory, text lines by the graph export's
// line writer, live, information and block replies by the simulated meter, and USB input reports
// in the framing the transport reads, recording journals by the journal's own encoder. Usage:
// qz407_fuzz_seeds <corpus folder>
#include "chart/chart_state.h"
#include "chart/chart_widget.h"
#include "files/locale_formats.h"
#include "files/text_files.h"
#include "graph/graph_file.h"
#include "graph/graph_window.h"
#include "link/demo_memory.h"
#include "link/hid_report_framing.h"
#include "link/meter_link.h"
#include "link/simulated_meter.h"
#include "logger/data_set_decoder.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "realtime/recording_journal.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

class SilentPrompter : public Prompter {
  public:
    void message(const QString&) override {}
    Answer question(const QString&, Buttons) override { return Cancel; }
    bool saveFile(FileRequest&) override { return false; }
    bool openFile(FileRequest&) override { return false; }
    bool chooseColor(QColor&) override { return false; }
    bool chooseFont(QFont&) override { return false; }
    int runDialog(QDialog&) override { return QDialog::Rejected; }
};

QDir g_out;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "seed not accepted by its reader: %s\n", what);
    std::exit(1);
}

void save(const QString& target, const QString& name, const QByteArray& bytes) {
    g_out.mkpath(target);
    QFile file(g_out.filePath(target + u'/' + name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
}

QByteArray bytesOf(std::span<const uint8_t> b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

// The image a download copies: the memory up to the reported size, in whole blocks.
QByteArray downloadedImage(const std::vector<uint8_t>& memory) {
    const uint32_t size = meter_memory::read24(memory, meter_memory::PositionAt) + 1;
    const uint32_t total =
        (size + meter_memory::BlockSize - 1) / meter_memory::BlockSize * meter_memory::BlockSize;
    return bytesOf(std::span(memory).first(std::min<size_t>(total, memory.size())));
}

std::vector<uint8_t> smallMemory() {
    std::vector<uint8_t> m = meter_memory::blankMemory();
    meter_memory::SetHeader header;
    header.start = QDateTime(QDate(2024, 2, 29), QTime(23, 59, 50));
    header.intervalSecondsBcd = 0x05;
    header.unit = 1;
    header.ppmOffset = -40;
    const auto at = meter_memory::beginDataSet(m, header);
    for (int i = 0; at && i < 6; ++i)
        meter_memory::appendRecord(m, *at, {400.0f + 250.0f * i, 45.5f + i, 22.5f - 30.0f * i});
    return m;
}

void graphSeeds(const DecodedDataSets& demo) {
    SilentPrompter prompter;
    // Set 3 of the demo memory (48 records) as the data-logger window shows it, with two marks, a
    // line and the statistics table.
    const DataSet& set = demo.sets.at(3);
    std::size_t first = 0;
    for (std::size_t k = 0; k < 3; ++k)
        first += 3 * size_t(demo.sets[k].recordCount);
    const auto n = size_t(set.recordCount);
    ChartWidget chart(prompter);
    configureGraph(chart, 3, int(n), set.startTime, set.startTime + (n - 1) * set.intervalSeconds / 86400.0,
                   0, 10000, -50, 100);
    chart.setXDataArray(std::span(demo.sampleTimes).subspan(first, 3 * n));
    chart.setYDataArray(std::span(demo.sampleValues).subspan(first, 3 * n));
    chart.setGraphAnnotationType(3, pe::sgCrossMark);
    chart.setGraphAnnotationX(3, set.startTime + 0.001);
    chart.setGraphAnnotationY(3, 800);
    chart.setGraphAnnotationText(3, QStringLiteral("peak\r800 ppm"));
    chart.setVertLineAnnotation(0, set.startTime + 0.002);
    chart.setVertLineAnnotationText(0, QStringLiteral("MAX"));
    chart.setTARows(2);
    chart.setTAColumns(2);
    chart.setTAText(0, 0, QStringLiteral("Start Time:"));
    chart.setTAText(0, 1, QStringLiteral("07/31/26 14:05:09"));
    chart.setShowTableAnnotation(true);
    chart.setPEactions(pe::sgReinitAndReset);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("g.ghf"));
    QFile file(path);
    ChartWidget check(prompter);
    if (!writeGraphFile(chart, path) || !readGraphFile(check, path) || !file.open(QIODevice::ReadOnly))
        fail("demo_set.ghf");
    save(QStringLiteral("graph_file"), QStringLiteral("demo_set.ghf"), file.readAll());

    // The same chart with limit lines (two ppm, one humidity, one temperature), zoomed into its
    // first half: the chart state of the newest version.
    chart.setLimitLines({{0, 1000.0}, {0, 2000.0}, {1, 60.0}, {2, 26.5}});
    const QString limitsPath = dir.filePath(QStringLiteral("l.ghf"));
    {
        ChartModel zoomed = chart.model();
        zoomed.zoomStack.push_back(ZoomView{set.startTime,
                                            set.startTime + (n / 2) * set.intervalSeconds / 86400.0,
                                            {{0.0, 3000.0}, {-50.0, 100.0}}});
        ChartWidget withLimits(prompter);
        QFile limitsFile(limitsPath);
        if (!withLimits.loadState(ChartState::store(zoomed)) || !writeGraphFile(withLimits, limitsPath) ||
            !readGraphFile(check, limitsPath) || check.limitLines().size() != 4 ||
            !limitsFile.open(QIODevice::ReadOnly))
            fail("limit_lines.ghf");
        save(QStringLiteral("graph_file"), QStringLiteral("limit_lines.ghf"), limitsFile.readAll());
    }

    // A small real-time graph: five points filled of eight, an over-range value and a gap.
    ChartWidget small(prompter);
    const double start = toDateTimeValue(QDateTime(QDate(2026, 7, 31), QTime(14, 5, 9)));
    configureGraph(small, 3, 8, start, start + 8 / 86400.0, 0, 10000, -50, 100);
    const float values[5][3] = {{412, 45.1f, 23.4f},
                                {90000, 45.2f, 23.4f},
                                {415, 99999, 23.5f},
                                {416, 45.3f, -41},
                                {417, 101, 23.6f}};
    for (int p = 0; p < 5; ++p)
        for (int s = 0; s < 3; ++s) {
            small.setXDataII(s, p, start + p / 86400.0);
            small.setYData(s, p, values[p][s]);
        }
    small.setMultiAxesSubsets(-1, 0);
    small.setMultiAxesProportions(-1, 0);
    small.setMultiAxesProportions(0, 1.0);
    const QString path2 = dir.filePath(QStringLiteral("s.ghf"));
    QFile file2(path2);
    if (!writeGraphFile(small, path2) || !readGraphFile(check, path2) || !file2.open(QIODevice::ReadOnly))
        fail("real_time.ghf");
    save(QStringLiteral("graph_file"), QStringLiteral("real_time.ghf"), file2.readAll());
}

void textSeeds(const DecodedDataSets& demo) {
    // The first byte picks the locale (0 en_US, 1 de_DE) and bit 2 the CSV kind, as the target reads it.
    struct Kind {
        uint8_t choice;
        QLocale locale;
        char sep;
        const char* name;
    };
    const Kind kinds[] = {
        {0x00, QLocale(QLocale::English, QLocale::UnitedStates), '\t', "en_US.txt"},
        {0x04, QLocale(QLocale::English, QLocale::UnitedStates), ',', "en_US.csv"},
        {0x01, QLocale(QLocale::German, QLocale::Germany), '\t', "de_DE.txt"},
        {0x05, QLocale(QLocale::German, QLocale::Germany), ';', "de_DE.csv"},
    };
    for (const Kind& k : kinds) {
        const LocaleFormats formats(k.locale);
        std::string text(1, char(k.choice));
        for (std::size_t r = 0; r < 24; ++r) {
            std::array<float, 3> v{demo.sampleValues[3 * r], demo.sampleValues[3 * r + 1],
                                   demo.sampleValues[3 * r + 2]};
            if (r == 5)
                v = {90000.0f, -99999.0f, -99999.0f};
            appendGraphTextLine(text, formats, demo.sampleTimes[3 * r], v,
                                effectiveSeparator(k.sep, formats));
        }
        save(QStringLiteral("text_import"), QString::fromLatin1(k.name), QByteArray::fromStdString(text));
    }
}

void meterSeeds() {
    ManualClock clock;
    SimulatedMeter meter(clock);
    MeterLink link(meter, clock);
    CommandFrame keys;
    std::array<uint8_t, 32> keyReply{};
    auto press = [&](char letter) {
        keys.setCommand(letter);
        MeterLink::sendPanelCommand(meter, keys, keyReply);
    };
    auto live = [&] {
        link.readLive();
        clock.advance(1000);
        return bytesOf(link.replyBlock());
    };
    QByteArray plain = live() + live();
    meter.setBatteryLevel(1);
    press('H');
    press('C');
    plain += live();
    save(QStringLiteral("live_reply"), QStringLiteral("hold_fahrenheit"), plain);
    meter.setForcedRangeFlags(0x0D);
    meter.setPpmDashes(true);
    press('M');
    save(QStringLiteral("live_reply"), QStringLiteral("range_flags"), live() + live());
    meter.setForcedRangeFlags(0);
    meter.setPpmDashes(false);
    press('H');
    press('E');
    const QByteArray recording = live();
    save(QStringLiteral("live_reply"), QStringLiteral("recording"), recording);

    auto info = [&] {
        CommandFrame f;
        f.setCommand('X');
        std::array<uint8_t, 64> reply{};
        meter.openDevice(MeterVendorId, MeterProductId);
        meter.setTimeouts(100, 100);
        meter.writeFrame(CommandFrame::size(), f.data());
        meter.finishWrite();
        meter.readReply(64, reply.data());
        return bytesOf(reply);
    };
    save(QStringLiteral("info_reply"), QStringLiteral("fahrenheit"), info());
    press('C');
    save(QStringLiteral("info_reply"), QStringLiteral("celsius"), info());

    // Input reports as the meter sends a reply: the first byte of a seed picks the count asked
    // (0: 32, 1: 36, 2: 64 bytes).
    auto reports = [](uint8_t wanted, const QByteArray& reply) {
        QByteArray out(1, char(wanted));
        const auto span =
            std::span(reinterpret_cast<const uint8_t*>(reply.constData()), size_t(reply.size()));
        for (const auto& r : hidframing::encodeOutput(span))
            out += bytesOf(std::span(r).subspan(1)); // without the report id
        return out;
    };
    save(QStringLiteral("usb_reports"), QStringLiteral("live_64"), reports(2, recording));
    link.readBlockAt(1);
    save(QStringLiteral("usb_reports"), QStringLiteral("block_36"),
         reports(1, bytesOf(std::span(link.replyBlock()).first(36))));
    press('H');
    save(QStringLiteral("usb_reports"), QStringLiteral("key_32"), reports(0, bytesOf(keyReply)));
}

// Recording journals as the recorder writes them: a header alone, a recording cut while it ran
// (with an over-range sample and a torn last record), and one that was stopped.
void journalSeeds() {
    const double start = toDateTimeValue(QDateTime(QDate(2026, 7, 31), QTime(14, 5, 9)));
    journal::Header header;
    header.startTime = start;
    header.xMin = start;
    header.xMax = start + 100.0 / 86400.0;
    header.extendStep = 10.0 / 86400.0;
    header.rate = 2;
    header.countLimit = 2000;
    header.axes = {journal::AxisSetup{0, 0.0, 10000.0}, journal::AxisSetup{0, -50.0, 100.0}};
    const QByteArray head = journal::encodeHeader(header);
    save(QStringLiteral("recording_journal"), QStringLiteral("empty"), head);

    QByteArray running = head;
    for (uint32_t i = 0; i < 5; ++i) {
        journal::Sample sample{start + 2.0 * i / 86400.0, int32_t(812 + 7 * i), 45.5f + float(i), 23.4f, 0};
        if (i == 3) {
            sample.ppm = 99999;
            sample.rangeFlags = 0x01;
        }
        running += journal::encodeSample(i, sample);
    }
    QByteArray stopped = running + journal::encodeStop(5, start + 10.0 / 86400.0);
    save(QStringLiteral("recording_journal"), QStringLiteral("stopped"), stopped);
    running += journal::encodeSample(5, {start + 10.0 / 86400.0, 850, 50.0f, 23.5f, 0}).left(11);
    save(QStringLiteral("recording_journal"), QStringLiteral("torn"), running);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    g_out = QDir(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir programDir; // no chart template: the built-in look
    setGraphProgramDirectory(programDir.path());

    const std::vector<uint8_t> memory = meter_memory::buildDemoMemory();
    const QDateTime now(QDate(2026, 7, 31), QTime(14, 5, 9));
    const DecodedDataSets demo = decodeDataSets(memory, now);
    if (demo.code != DecodeOk || demo.sets.size() != 4)
        fail("demo.407");
    save(QStringLiteral("collection_file"), QStringLiteral("demo.407"), downloadedImage(memory));
    save(QStringLiteral("collection_file"), QStringLiteral("one_set.407"), downloadedImage(smallMemory()));
    graphSeeds(demo);
    textSeeds(demo);
    meterSeeds();
    journalSeeds();
    return 0;
}
