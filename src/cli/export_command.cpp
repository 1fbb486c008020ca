// export: a collection file's data sets as text, as the graph window exports a shown set.
#include "cli/cli_common.h"
#include "cli/collection_input.h"
#include "cli/output_target.h"
#include "cli/record_writer.h"

#include <QDir>
#include <QFileInfo>

namespace {

QCommandLineOption setOption() {
    return QCommandLineOption(QStringLiteral("set"), QStringLiteral("Only data set N (1 is the first)."),
                              QStringLiteral("N"));
}
QCommandLineOption allOption() {
    return QCommandLineOption(QStringLiteral("all"),
                              QStringLiteral("Every data set, one after another (default)."));
}
QCommandLineOption exportFormatOption() {
    return QCommandLineOption(QStringLiteral("format"),
                              QStringLiteral("txt, csv, jsonl or influx; default: by OUT's extension,\n"
                                             "else txt."),
                              QStringLiteral("FORMAT"));
}
QCommandLineOption serialOption() {
    return QCommandLineOption(QStringLiteral("serial"),
                              QStringLiteral("The meter's serial number for the serial tag of influx\n"
                                             "lines (a collection file does not hold it); default: no tag."),
                              QStringLiteral("SN"));
}
QCommandLineOption exportOutputOption() {
    return QCommandLineOption({QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("Write to OUT (replaced only when complete);\n"
                                             "default or -: standard output."),
                              QStringLiteral("OUT"));
}

int runExport(CommandContext& context) {
    const QCommandLineParser& p = context.parser;
    const QString path = context.arguments().first();
    const QString outPath = p.value(exportOutputOption());

    if (p.isSet(setOption()) && p.isSet(allOption()))
        return context.usageError(QStringLiteral("--set and --all exclude each other"));
    // Written in place of its own input, a failed export would cost the user the collection.
    if (!outPath.isEmpty() && outPath != QLatin1String("-") &&
        QFileInfo(outPath).absoluteFilePath() == QFileInfo(path).absoluteFilePath())
        return context.usageError(
            QStringLiteral("-o names the input file %1").arg(QDir::toNativeSeparators(path)));
    std::optional<TextFormat> format = TextFormat::Txt;
    if (p.isSet(exportFormatOption())) {
        format = textFormatNamed(p.value(exportFormatOption()));
        if (!format)
            return context.usageError(
                QStringLiteral("unknown format '%1'").arg(p.value(exportFormatOption())));
    } else if (const auto byName = textFormatNamed(QFileInfo(outPath).suffix())) {
        format = byName;
    }
    int setNumber = 0;
    if (p.isSet(setOption())) {
        bool ok = false;
        setNumber = p.value(setOption()).toInt(&ok);
        if (!ok || setNumber < 1)
            return context.usageError(QStringLiteral("--set needs a set number from 1"));
    }

    DataSetStore store;
    if (const int code = readCollectionSets(path, store); code != ExitOk)
        return code;
    if (const int code = checkSetNumber(path, store, setNumber); code != ExitOk)
        return code;

    if (p.isSet(serialOption()) && *format != TextFormat::Influx)
        return context.usageError(QStringLiteral("--serial is for --format influx"));
    RecordWriter writer(*format);
    writer.setSerial(p.value(serialOption()));
    std::string text;
    if (setNumber > 0) {
        writer.appendSet(text, store, std::size_t(setNumber - 1));
    } else {
        for (std::size_t k = 0; k < store.sets.size(); ++k)
            writer.appendSet(text, store, k);
    }
    OutputTarget out(outPath);
    if (!out.open() || !out.write(text) || !out.commit()) {
        console::error(out.errorString());
        return ExitFailed;
    }
    return ExitOk;
}

} // namespace

CommandEntry exportCommand() {
    CommandEntry entry;
    entry.name = QStringLiteral("export");
    entry.synopsis = QStringLiteral("export FILE.407 [--set N | --all] [--format txt|csv|jsonl|influx]"
                                    " [--serial SN] [-o OUT]");
    entry.summary = QStringLiteral("a collection file's data sets as txt, csv, jsonl or influx lines");
    entry.description = QStringLiteral(
        "Decodes a data set collection file as the desktop program opens it and writes its data sets:\n"
        "txt and csv are the bytes the graph window's export writes for each set (one line a record,\n"
        "dates, times and numbers in the locale), the sets one after another; jsonl is one JSON object\n"
        "a record with its set number; influx is InfluxDB line protocol, one line a record with the\n"
        "time in UTC nanoseconds (the meter's clock read as local time).");
    entry.options = {setOption(), allOption(), exportFormatOption(), serialOption(), exportOutputOption()};
    entry.minArguments = 1;
    entry.maxArguments = 1;
    entry.run = runExport;
    return entry;
}
