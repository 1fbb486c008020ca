#include "graph_file.h"

#include "chart/chart_widget.h"
#include "platform/checked_save_file.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <array>

namespace {

constexpr qint64 kLengthBytes = 4;

bool fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

} // namespace

bool writeGraphFile(const ChartWidget& chart, const QString& fileName, QString* error) {
    const QByteArray state = chart.storeState();
    const QString shown = QDir::toNativeSeparators(fileName);
    if (quint64(state.size()) > 0xFFFFFFFFull)
        return fail(error, QStringLiteral("The graph is too large to be saved in %1.").arg(shown));
    CheckedSaveFile file(fileName);
    if (!file.open())
        return fail(error, QStringLiteral("Cannot create file %1: %2").arg(shown, file.errorString()));
    std::array<uchar, kLengthBytes> length{};
    qToLittleEndian<quint32>(quint32(state.size()), length.data());
    if (!file.write(reinterpret_cast<const char*>(length.data()), kLengthBytes) || !file.write(state) ||
        !file.commit())
        return fail(error, QStringLiteral("Cannot write file %1: %2").arg(shown, file.errorString()));
    return true;
}

bool readGraphFile(ChartWidget& chart, const QString& fileName, QString* error) {
    const QString shown = QDir::toNativeSeparators(fileName);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("Cannot open file %1: %2").arg(shown, file.errorString()));
    const qint64 size = file.size();
    std::array<uchar, kLengthBytes> length{};
    if (size < kLengthBytes ||
        file.read(reinterpret_cast<char*>(length.data()), kLengthBytes) != kLengthBytes)
        return fail(error, QStringLiteral("%1 is not a graph file: it is too short.").arg(shown));
    const quint32 stated = qFromLittleEndian<quint32>(length.data());
    // The length must describe exactly the rest of the file; anything else is a damaged file, and
    // checking before reading keeps a lying length from asking for gigabytes.
    if (qint64(stated) != size - kLengthBytes)
        return fail(error, QStringLiteral("%1 is damaged: it states %2 bytes of graph but holds %3.")
                               .arg(shown)
                               .arg(stated)
                               .arg(size - kLengthBytes));
    const QByteArray state = file.read(qint64(stated));
    if (state.size() != qint64(stated))
        return fail(error, QStringLiteral("Cannot read file %1: %2").arg(shown, file.errorString()));
    file.close();
    if (!chart.loadState(state))
        return fail(error, QStringLiteral("%1 is not a valid graph file: %2").arg(shown, chart.lastError()));
    return true;
}
