// download: the meter's logging memory into a collection file, as the "&Load " command reads it.
#include "cli/cli_common.h"
#include "cli/meter_session.h"
#include "cli/output_target.h"
#include "cli/record_writer.h"
#include "cli/text_progress.h"
#include "logger/memory_download.h"
#include "platform/clock.h"
#include "platform/data_folder.h"

#include <QDir>
#include <QFileInfo>

namespace {

QCommandLineOption downloadOutputOption() {
    return QCommandLineOption({QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("The collection file to write (replaced only when complete);\n"
                                             "default: QZ407_<date>_<time>.407 in the data folder."),
                              QStringLiteral("FILE.407"));
}
QCommandLineOption setsOption() {
    return QCommandLineOption(QStringLiteral("sets"),
                              QStringLiteral("Also write each data set into DIR as a text file."),
                              QStringLiteral("DIR"));
}
QCommandLineOption downloadFormatOption() {
    return QCommandLineOption(QStringLiteral("format"),
                              QStringLiteral("Format of the --sets files: txt, csv or jsonl."),
                              QStringLiteral("FORMAT"));
}

QString defaultCollectionPath(const Clock& clock) {
    const QString folder = dataFolderOrProgramFolder(settleDataFolder(documentsFolder()));
    return folder + QStringLiteral("QZ407_") +
           clock.nowDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".407");
}

bool writeFile(const QString& path, std::string_view bytes) {
    OutputTarget out(path);
    if (out.open() && out.write(bytes) && out.commit())
        return true;
    console::error(out.errorString());
    return false;
}

// Each set as "setNN_<start>.<format>" in `folder`; the written paths are added to `written`.
bool writeSetFiles(const QString& folder, TextFormat format, const DataSetStore& store,
                   QStringList& written) {
    if (!QDir().mkpath(folder)) {
        console::error(QDir::toNativeSeparators(folder) + QStringLiteral(": the folder cannot be created"));
        return false;
    }
    const RecordWriter writer(format);
    for (std::size_t k = 0; k < store.sets.size(); ++k) {
        const QString name =
            QStringLiteral("set%1_%2.%3")
                .arg(k + 1, 2, 10, QLatin1Char('0'))
                .arg(fromDateTimeValue(store.sets[k].startTime).toString(QStringLiteral("yyyyMMdd_HHmmss")))
                .arg(textFormatName(format));
        const QString path = QDir(folder).filePath(name);
        std::string text;
        writer.appendSet(text, store, k);
        if (!writeFile(path, text))
            return false;
        written << path;
    }
    return true;
}

// The connection and recording checks of the "&Load " command, on a fresh live reading.
int checkMeter(MeterSession& session) {
    if (!session.connect())
        return MeterSession::noMeter();
    // The window looks at the last reading its poll decoded; here a few polls stand in for it.
    for (int i = 0; i < kPollFailLimit && session.connected(); ++i) {
        if (i > 0)
            session.idle(500);
        if (session.poll() == PollStep::Reading)
            break;
    }
    const LoadDataVerdict verdict = checkLoadData(false, session.connected(), session.reading().recording);
    if (verdict.action == LoadDataVerdict::Refuse) {
        console::error(verdict.message);
        return session.connected() ? ExitFailed : ExitNoMeter;
    }
    return ExitOk;
}

int runDownload(CommandContext& context) {
    const QCommandLineParser& p = context.parser;
    TextFormat format = TextFormat::Txt;
    if (p.isSet(downloadFormatOption())) {
        if (!p.isSet(setsOption()))
            return context.usageError(QStringLiteral("--format is for the --sets files"));
        const auto named = textFormatNamed(p.value(downloadFormatOption()));
        if (!named)
            return context.usageError(
                QStringLiteral("unknown format '%1'").arg(p.value(downloadFormatOption())));
        format = *named;
    }

    const auto session = MeterSession::open(context.global);
    if (!session)
        return ExitUsage;
    const QString path = p.isSet(downloadOutputOption()) ? p.value(downloadOutputOption())
                                                         : defaultCollectionPath(session->clock());
    // Where the files go is checked first, so that a long download is not spent on a typing error.
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        console::error(QDir::toNativeSeparators(folder) + QStringLiteral(": no such folder"));
        return ExitFailed;
    }
    if (p.isSet(setsOption()) && !QDir().mkpath(p.value(setsOption()))) {
        console::error(QDir::toNativeSeparators(p.value(setsOption())) +
                       QStringLiteral(": the folder cannot be created"));
        return ExitFailed;
    }
    if (const int refused = checkMeter(*session); refused != ExitOk)
        return refused;

    TextProgress progress(console::stderrIsTerminal());
    DataSetStore store;
    bool written = false;
    int result = DownloadNotRun;
    DownloadHooks hooks;
    hooks.progress = &progress;
    // The collection file is the image of a download whose decode found data sets, as the desktop
    // program's temporary image; it appears only complete.
    hooks.decoded = [&](const MemoryImage& image) {
        written =
            writeFile(path, std::string_view(reinterpret_cast<const char*>(image.data()), image.size()));
    };
    hooks.finished = [&](int code) { result = code; };
    runMemoryDownload(session->link(), store, hooks);

    if (result != DownloadOk) {
        console::error(result == DownloadNotRun ? QStringLiteral("the meter is busy")
                                                : downloadMessage(result));
        if (result == DownloadNoDataSets || result == DownloadTooManySets)
            return ExitFailed;
        return session->failureExit();
    }
    if (!written)
        return ExitFailed;
    // With the collection on standard output, the names of the files written go to standard error,
    // so that nothing but the collection's bytes reaches standard output.
    const bool collectionOnStdout = path == QLatin1String("-");
    QStringList paths;
    if (!collectionOnStdout)
        paths << path;
    if (p.isSet(setsOption()) && !writeSetFiles(p.value(setsOption()), format, store, paths))
        return ExitFailed;
    for (const QString& w : paths) {
        if (collectionOnStdout)
            console::errRaw((QDir::toNativeSeparators(w) + u'\n').toStdString());
        else
            console::outLine(QDir::toNativeSeparators(w));
    }
    console::flushOut();
    return ExitOk;
}

} // namespace

CommandEntry downloadCommand() {
    CommandEntry entry;
    entry.name = QStringLiteral("download");
    entry.synopsis = QStringLiteral("download [-o FILE.407] [--sets DIR [--format txt|csv|jsonl]]");
    entry.summary = QStringLiteral("the meter's logging memory into a collection file");
    entry.description = QStringLiteral(
        "Downloads the meter's whole logging memory as the desktop program's \"&Load \" does (block\n"
        "requests, retries and the resume phase) and writes it as a data set collection file, which the\n"
        "desktop program and 'export' open. Refused while the meter records. The progress goes to\n"
        "standard error: a bar on a terminal, otherwise a line at each 10 %. The files written are\n"
        "listed on standard output.");
    entry.options = {downloadOutputOption(), setsOption(), downloadFormatOption()};
    entry.run = runDownload;
    return entry;
}
