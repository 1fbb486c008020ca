#include "text_files.h"

#include "files/collection_file.h"
#include "files/locale_formats.h"
#include "files/range_progress_dialog.h"
#include "files/text_lines.h"
#include "logger/table_model.h"
#include "logger/table_window.h"
#include "platform/checked_save_file.h"
#include "platform/prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QProgressBar>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>

namespace {

constexpr qint64 ChunkSize = 1 << 20;
// The longest line the import takes. A table line is well under 200 characters; anything near this
// is not a table, and holding it whole would let one endless line fill the memory.
constexpr std::size_t MaxLineBytes = 64 * 1024;
// How far past a line without a separator the import looks for more text to mention.
constexpr qint64 MaxScanAfterStop = 64 << 20;
// Window messages are handled (and the Cancel button seen) after the first item and then every
// this many items; more often only costs time.
constexpr qsizetype ProgressStride = 256;

// A modeless progress display for one command, closed when the command ends.
class ProgressRun {
  public:
    ProgressRun(QWidget* parent, const QString& caption, const QString& status, qsizetype maximum)
        : m_scope(parent) {
        m_scope.setupProgress(caption, status, maximum, true);
        m_scope.show();
        QCoreApplication::processEvents();
        m_sinceUpdate.start();
    }
    ~ProgressRun() { m_scope.close(); }
    ProgressRun(const ProgressRun&) = delete;
    ProgressRun& operator=(const ProgressRun&) = delete;

    // After item `done` (1-based) is finished; true when the user asked to stop.
    bool step(qsizetype done) {
        // The first item always, then at most every UpdateMs: repainting the dialog costs more
        // than writing thousands of lines.
        if (done == 1 || (done % ProgressStride == 0 && m_sinceUpdate.elapsed() >= UpdateMs)) {
            m_scope.setProgress(done);
            if (!m_status.isEmpty())
                m_scope.setStatus(m_status.arg(done));
            QCoreApplication::processEvents();
            m_sinceUpdate.start();
        }
        return m_scope.cancelRequested();
    }
    // Status text with %1 for the item count, for uses that show a count instead of a bar.
    void showCount(const QString& status) { m_status = status; }
    RangeProgressDialog& scope() { return m_scope; }

  private:
    static constexpr qint64 UpdateMs = 40;
    RangeProgressDialog m_scope;
    QElapsedTimer m_sinceUpdate;
    QString m_status;
};

// Collects text and hands it to a checked save file in large pieces, so the older file is replaced
// only by a complete new one.
class TextWriter {
  public:
    explicit TextWriter(const QString& fileName) : m_file(fileName) { m_buffer.reserve(ChunkSize + 4096); }
    bool open() { return m_file.open(); }
    std::string& buffer() { return m_buffer; }
    void flushIfFull() {
        if (m_buffer.size() >= static_cast<std::size_t>(ChunkSize))
            flush();
    }
    bool commit() {
        flush();
        return m_file.commit();
    }
    void cancel() { m_file.cancel(); }
    QString errorString() const { return m_file.errorString(); }

  private:
    void flush() {
        if (!m_buffer.empty())
            m_file.write(std::string_view(m_buffer));
        m_buffer.clear();
    }
    CheckedSaveFile m_file;
    std::string m_buffer;
};

TextExportResult reportWriteFailure(Prompter& prompter, const QString& fileName, const QString& error) {
    prompter.message(QDir::toNativeSeparators(fileName) + QStringLiteral(": ") + error);
    return TextExportResult::FileError;
}

bool hasText(std::string_view s) {
    for (const char c : s)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return true;
    return false;
}

} // namespace

QString tableSaveFilter(const LocaleFormats& formats) {
    return QString::fromLatin1(formats.decimalIsComma() ? TableSaveFilterNoCsv : TableSaveFilter);
}

char separatorForFileName(const QString& fileName, const LocaleFormats& formats) {
    return fileName.endsWith(QLatin1String("csv"), Qt::CaseInsensitive) ? effectiveSeparator(',', formats)
                                                                        : '\t';
}

std::optional<std::size_t> TableTextLines::split(std::string_view line, Fields& fields) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (m_sniff) {
        m_sep = line.find(';') != std::string_view::npos ? ';' : ',';
        m_sniff = false;
    }
    if (line.find(m_sep) == std::string_view::npos)
        return std::nullopt;
    std::size_t n = 0, start = 0;
    while (n < fields.size()) {
        const std::size_t s = line.find(m_sep, start);
        if (s == std::string_view::npos) {
            if (start < line.size())
                fields[n++] = line.substr(start);
            break;
        }
        fields[n++] = line.substr(start, s - start);
        start = s + 1;
    }
    return n;
}

TextExportResult exportGraphText(Prompter& prompter, const GraphSeries& graph, const QString& fileName,
                                 char sep, QWidget* parent) {
    const LocaleFormats formats;
    sep = effectiveSeparator(sep, formats);
    bool invalid = false;
    const auto range = chooseScopeRange(prompter, graph.pointCount, parent, &invalid);
    if (!range)
        return invalid ? TextExportResult::InvalidRange : TextExportResult::Cancelled;

    TextWriter writer(fileName);
    if (!writer.open())
        return reportWriteFailure(prompter, fileName, writer.errorString());
    ProgressRun progress(parent, QStringLiteral("Saving Progress"), QStringLiteral("saving....."),
                         std::max<qsizetype>(range->to - range->from + 1, 0));

    static const std::vector<float> NoValues;
    auto subset = [&](std::size_t s) -> const std::vector<float>& {
        return s < graph.y.size() ? graph.y[s] : NoValues;
    };
    std::string& out = writer.buffer();
    qsizetype done = 0;
    for (qsizetype i = range->from - 1; i <= range->to - 1; ++i) {
        const auto p = static_cast<std::size_t>(i);
        const double t = p < graph.x.size() ? graph.x[p] : 0.0;
        std::array<float, 3> values;
        for (std::size_t s = 0; s < 3; ++s) {
            const auto& y = subset(s);
            values[s] = p < y.size() ? y[p] : TableNullValue;
        }
        if (!appendGraphTextLine(out, formats, t, values, sep))
            break;
        writer.flushIfFull();
        if (progress.step(++done)) {
            writer.cancel();
            return TextExportResult::Cancelled;
        }
    }
    if (!writer.commit())
        return reportWriteFailure(prompter, fileName, writer.errorString());
    return TextExportResult::Written;
}

TextExportResult exportTableText(Prompter& prompter, const TableModel& table, const QString& dataFolder,
                                 QWidget* parent, const QString& startFolder, QString* writtenName) {
    const LocaleFormats formats;
    Prompter::FileRequest request;
    request.filter = tableSaveFilter(formats);
    request.filterIndex = 1;
    request.initialDir = startFolder.isEmpty() ? effectiveDataFolder(dataFolder) : startFolder;
    request.defaultExt = QString::fromLatin1(TableDefaultExt);
    request.overwritePrompt = true;
    if (!prompter.saveFile(request))
        return TextExportResult::Cancelled;

    bool invalid = false;
    const auto range = chooseScopeRange(prompter, table.dataRows(), parent, &invalid);
    if (!range)
        return invalid ? TextExportResult::InvalidRange : TextExportResult::Cancelled;

    const QString& fileName = request.fileName;
    TextWriter writer(fileName);
    if (!writer.open())
        return reportWriteFailure(prompter, fileName, writer.errorString());
    const char sep = separatorForFileName(fileName, formats);
    ProgressRun progress(parent, QStringLiteral("Saving Progress"), QStringLiteral("saving....."),
                         std::max<qsizetype>(range->to - range->from + 1, 0));

    // Window messages are handled while writing; the table window may be closed meanwhile.
    const QPointer<const TableModel> alive(&table);
    std::string& out = writer.buffer();
    qsizetype done = 0;
    for (qsizetype r = range->from; r <= range->to; ++r) {
        for (int c = 1; c <= TableModel::FieldCount; ++c) {
            out += table.field(r, c);
            out += sep;
        }
        out += "\r\n";
        writer.flushIfFull();
        if (progress.step(++done) || !alive) {
            writer.cancel();
            return TextExportResult::Cancelled;
        }
    }
    if (!writer.commit())
        return reportWriteFailure(prompter, fileName, writer.errorString());
    if (writtenName)
        *writtenName = fileName;
    return TextExportResult::Written;
}

TableWindow* importTableText(Prompter& prompter, const QString& fileName, QWidget* parent) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const LocaleFormats formats;
    const char sep = separatorForFileName(fileName, formats);
    // CSV where the comma is the decimal separator: ours use the semicolon, other programs' files
    // may still use the comma; the first line tells.
    TableTextLines lines(sep, sep == ';');

    // Owned here until it is complete, so an import that throws leaves nothing behind. Nothing is
    // reserved from the file's size: the table grows with what was actually read.
    auto list = std::make_unique<TableWindow>(parent);
    list->setWindowTitle(fileName);
    TableModel& model = list->model();
    list->beginFill();

    ProgressRun progress(parent, QStringLiteral("Open Progress"), QStringLiteral("0"), 0);
    progress.scope().progressBar->hide();
    progress.showCount(QStringLiteral("%1"));

    enum class End { Eof, Cancelled, NoSeparator, TooLong } end = End::Eof;
    bool textAfterStop = false;
    qsizetype lineNo = 0, rows = 0;
    TableTextLines::Fields fields;

    // Handles one line (without its line end); false ends the reading.
    auto handleLine = [&](std::string_view line) -> bool {
        ++lineNo;
        if (line.size() > MaxLineBytes) {
            end = End::TooLong;
            return false;
        }
        const std::optional<std::size_t> n = lines.split(line, fields);
        if (!n) {
            end = End::NoSeparator;
            textAfterStop = hasText(line);
            return false;
        }
        if (progress.scope().cancelRequested()) {
            end = End::Cancelled;
            return false;
        }
        model.appendRow(std::span(fields.data(), *n));
        ++rows;
        progress.step(rows);
        return true;
    };

    std::string carry; // a line that runs across two reads
    QByteArray chunk;
    std::string_view rest;
    bool reading = true;
    while (reading) {
        chunk = file.read(ChunkSize);
        const std::string_view data(chunk.constData(), static_cast<std::size_t>(chunk.size()));
        if (data.empty()) {
            if (!carry.empty())
                handleLine(carry);
            break;
        }
        std::size_t pos = 0;
        for (;;) {
            const std::size_t nl = data.find('\n', pos);
            if (nl == std::string_view::npos) {
                carry.append(data.substr(pos, std::min(data.size() - pos, MaxLineBytes + 1 - carry.size())));
                if (carry.size() > MaxLineBytes) { // a line without end in sight: stop here
                    handleLine(carry);
                    reading = false;
                }
                break;
            }
            bool more = true;
            if (carry.empty()) {
                more = handleLine(data.substr(pos, nl - pos));
            } else {
                carry.append(data.substr(pos, std::min(nl - pos, MaxLineBytes + 1 - carry.size())));
                more = handleLine(carry);
                carry.clear();
            }
            pos = nl + 1;
            if (!more) {
                rest = data.substr(pos);
                reading = false;
                break;
            }
        }
    }
    if (end == End::NoSeparator && !textAfterStop) {
        textAfterStop = hasText(rest);
        qint64 scanned = 0;
        while (!textAfterStop && scanned < MaxScanAfterStop) {
            const QByteArray more = file.read(ChunkSize);
            if (more.isEmpty())
                break;
            scanned += more.size();
            textAfterStop =
                hasText(std::string_view(more.constData(), static_cast<std::size_t>(more.size())));
        }
    }
    progress.scope().setStatus(QString::number(rows));
    list->endFill();
    const QString shown = QDir::toNativeSeparators(fileName);
    if (end == End::NoSeparator && textAfterStop)
        prompter.message(
            QStringLiteral("%1: line %2 holds no separator; the lines from there on were not read.")
                .arg(shown)
                .arg(lineNo));
    else if (end == End::TooLong)
        prompter.message(QStringLiteral("%1: line %2 is longer than %3 characters; the lines from there on "
                                        "were not read.")
                             .arg(shown)
                             .arg(lineNo)
                             .arg(MaxLineBytes));
    return list.release();
}

TableParsers localeTableParsers(const LocaleFormats& formats) {
    return TableParsers{
        [&formats](std::string_view text) { return formats.parseDateTime(text); },
        [&formats](std::string_view text) { return formats.parseNumber(text); },
    };
}
