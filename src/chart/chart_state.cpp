#include "chart_state.h"

#include "platform/clock.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <span>

namespace {

constexpr char kMagic[8] = {'Q', 'Z', '4', '0', '7', 'C', 'H', 'T'};
constexpr qsizetype kHeaderSize = 8 + 4 + 4 + 4;

quint32 crc32(std::span<const quint8> bytes) {
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (quint8 b : bytes)
        crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

class Writer {
  public:
    QByteArray out;
    void u32(quint32 v) {
        for (int i = 0; i < 4; ++i)
            out.append(char((v >> (8 * i)) & 0xFF));
    }
    void i32(int v) { u32(quint32(v)); }
    void boolean(bool v) { out.append(char(v ? 1 : 0)); }
    void f64(double v) {
        const auto bits = std::bit_cast<quint64>(v);
        u32(quint32(bits & 0xFFFFFFFFu));
        u32(quint32(bits >> 32));
    }
    void str(const QString& s) {
        const QByteArray utf8 = s.toUtf8();
        u32(quint32(utf8.size()));
        out.append(utf8);
    }
    void count(size_t n) { u32(quint32(n)); }
    // A whole array of doubles, little-endian, in one copy where the host is little-endian.
    void f64Array(const std::vector<double>& values) {
        if constexpr (std::endian::native == std::endian::little) {
            out.append(reinterpret_cast<const char*>(values.data()),
                       qsizetype(values.size() * sizeof(double)));
        } else {
            for (double v : values)
                f64(v);
        }
    }
};

// Reads from a fixed span; the first failure sticks and every later read yields zeroes.
class Reader {
  public:
    explicit Reader(std::span<const quint8> bytes) : m_bytes(bytes) {}
    bool ok() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    size_t remaining() const { return m_bytes.size() - m_pos; }
    void fail(const QString& why) {
        if (m_error.isEmpty())
            m_error = why;
    }

    quint32 u32(const char* what) {
        if (!need(4, what))
            return 0;
        quint32 v = 0;
        for (int i = 0; i < 4; ++i)
            v |= quint32(m_bytes[m_pos + size_t(i)]) << (8 * i);
        m_pos += 4;
        return v;
    }
    int i32(const char* what) { return int(u32(what)); }
    bool boolean(const char* what) {
        if (!need(1, what))
            return false;
        const quint8 b = m_bytes[m_pos++];
        if (b > 1)
            fail(
                QStringLiteral("Chart state is corrupt: %1 is not a yes/no value.").arg(QLatin1String(what)));
        return b == 1;
    }
    double f64(const char* what) {
        const quint64 lo = u32(what);
        const quint64 hi = u32(what);
        return std::bit_cast<double>(lo | (hi << 32));
    }
    // Fills `values` (already sized) from the block; the caller has checked that the bytes remain.
    void f64Array(std::vector<double>& values, const char* what) {
        if constexpr (std::endian::native == std::endian::little) {
            const size_t bytes = values.size() * sizeof(double);
            if (bytes == 0 || !need(bytes, what))
                return;
            std::memcpy(values.data(), m_bytes.data() + m_pos, bytes);
            m_pos += bytes;
        } else {
            for (double& v : values)
                v = f64(what);
        }
    }
    // An X value: a date-time value in the program's range of dates (see isDateTimeValue).
    double date(const char* what) {
        const double v = f64(what);
        if (ok() && !isDateTimeValue(v))
            fail(QStringLiteral("Chart state is corrupt: %1 is not a date.").arg(QLatin1String(what)));
        return v;
    }
    double finite(const char* what) {
        const double v = f64(what);
        if (!std::isfinite(v))
            fail(QStringLiteral("Chart state is corrupt: %1 is not a finite number.")
                     .arg(QLatin1String(what)));
        return v;
    }
    QString str(const char* what) {
        const quint32 n = u32(what);
        if (!need(n, what))
            return {};
        const auto* p = reinterpret_cast<const char*>(m_bytes.data() + m_pos);
        m_pos += n;
        return QString::fromUtf8(p, qsizetype(n));
    }
    // A list count whose items take at least itemSize bytes each, at most `limit` items.
    size_t count(const char* what, size_t itemSize, size_t limit) {
        const quint32 n = u32(what);
        if (!ok())
            return 0;
        if (n > limit) {
            fail(QStringLiteral("Chart state is corrupt: %1 count %2 exceeds the limit of %3.")
                     .arg(QLatin1String(what))
                     .arg(n)
                     .arg(limit));
            return 0;
        }
        if (quint64(n) * itemSize > remaining()) {
            fail(QStringLiteral("Chart state is truncated: %1 count %2 needs more bytes than remain.")
                     .arg(QLatin1String(what))
                     .arg(n));
            return 0;
        }
        return n;
    }
    int inRange(const char* what, int lo, int hi) {
        const int v = i32(what);
        if (ok() && (v < lo || v > hi))
            fail(QStringLiteral("Chart state is corrupt: %1 value %2 is out of range.")
                     .arg(QLatin1String(what))
                     .arg(v));
        return v;
    }

  private:
    bool need(size_t n, const char* what) {
        if (!ok())
            return false;
        if (n > remaining()) {
            fail(QStringLiteral("Chart state is truncated: %1 runs past the end of the data.")
                     .arg(QLatin1String(what)));
            return false;
        }
        return true;
    }

    std::span<const quint8> m_bytes;
    size_t m_pos = 0;
    QString m_error;
};

void writeLook(Writer& w, const ChartLook& l) {
    w.str(l.mainTitle);
    w.str(l.subTitle);
    w.str(l.xAxisLabel);
    w.u32(l.deskColor);
    w.u32(l.graphBackColor);
    w.u32(l.graphForeColor);
    w.u32(l.textColor);
    w.i32(l.gridLineControl);
    w.i32(l.gridStyle);
    w.str(l.fontFamily);
    w.i32(l.fontSize);
    w.boolean(l.titleBold);
    w.i32(l.graphAnnotationTextSize);
    w.i32(l.lineAnnotationTextSize);
    w.boolean(l.showAnnotations);
    w.boolean(l.showVertLineAnnotations);
    w.boolean(l.allowFontPage);
    w.boolean(l.allowTitlesPage);
    w.boolean(l.allowColorsPage);
    w.boolean(l.allowSubsetsPage);
    w.boolean(l.allowAxisPage);
    w.i32(l.allowZooming);
    w.i32(l.arrowCursor);
    w.boolean(l.allowDataHotSpots);
    w.boolean(l.allowGraphHotSpots);
    w.boolean(l.allowGraphAnnotHotSpots);
    w.i32(l.dateTimeMode);
    w.f64(l.nullDataValueY);
    w.f64(l.lineGapThreshold);
    w.i32(l.separators);
}

ChartLook readLook(Reader& r) {
    ChartLook l;
    l.mainTitle = r.str("main title");
    l.subTitle = r.str("subtitle");
    l.xAxisLabel = r.str("X axis label");
    l.deskColor = r.u32("desk colour");
    l.graphBackColor = r.u32("graph background colour");
    l.graphForeColor = r.u32("graph foreground colour");
    l.textColor = r.u32("text colour");
    l.gridLineControl = r.inRange("grid lines", pe::sgGridBoth, pe::sgGridNone);
    l.gridStyle = r.inRange("grid style", pe::sgSolid, pe::sgDash);
    l.fontFamily = r.str("font family");
    l.fontSize = r.inRange("font size", 1, 200);
    l.titleBold = r.boolean("title bold");
    l.graphAnnotationTextSize = r.inRange("annotation text size", 1, 1000);
    l.lineAnnotationTextSize = r.inRange("line annotation text size", 1, 1000);
    l.showAnnotations = r.boolean("show annotations");
    l.showVertLineAnnotations = r.boolean("show line annotations");
    l.allowFontPage = r.boolean("font page");
    l.allowTitlesPage = r.boolean("page 1");
    l.allowColorsPage = r.boolean("page 2");
    l.allowSubsetsPage = r.boolean("subsets page");
    l.allowAxisPage = r.boolean("axis page");
    l.allowZooming = r.inRange("zooming", pe::sgNoZooming, pe::sgHorzPlusVertZooming);
    l.arrowCursor = r.inRange("pointer", pe::sgArrowCursor, pe::sgCustomCursor);
    l.allowDataHotSpots = r.boolean("data hot spots");
    l.allowGraphHotSpots = r.boolean("graph hot spots");
    l.allowGraphAnnotHotSpots = r.boolean("annotation hot spots");
    l.dateTimeMode = r.inRange("date-time mode", pe::sgNoDateTime, pe::sgVBDateTime);
    l.nullDataValueY = r.f64("null value");
    l.lineGapThreshold = r.f64("line gap threshold");
    l.separators = r.inRange("separators", pe::sgNoSeparators, pe::sgThickSeparators);
    if (r.ok() && std::isnan(l.lineGapThreshold))
        r.fail(QStringLiteral("Chart state is corrupt: line gap threshold is not a number."));
    return l;
}

} // namespace

quint32 ChartState::checksum(std::span<const quint8> payload) {
    return crc32(payload);
}

QByteArray ChartState::store(const ChartModel& m) {
    Writer w;
    w.out.reserve(qsizetype((m.m_x.size() + m.m_y.size()) * sizeof(double)) + 4096);
    w.i32(m.m_subsets);
    w.i32(m.m_points);
    w.f64Array(m.m_x);
    w.f64Array(m.m_y);

    w.count(m.m_labels.size());
    for (const QString& s : m.m_labels)
        w.str(s);
    w.count(m.m_colors.size());
    for (quint32 c : m.m_colors)
        w.u32(c);
    w.boolean(m.m_randomActive);
    w.count(m.m_random.size());
    for (int s : m.m_random)
        w.i32(s);

    w.count(m.m_axisSubsets.size());
    for (int n : m.m_axisSubsets)
        w.i32(n);
    w.count(m.m_proportions.size());
    for (double p : m.m_proportions)
        w.f64(p);
    w.count(m.m_yAxes.size());
    for (const YAxisSettings& a : m.m_yAxes) {
        w.str(a.label);
        w.i32(a.scaleControl);
        w.f64(a.manualMin);
        w.f64(a.manualMax);
    }
    w.i32(m.m_workingAxis);
    w.i32(m.xScaleControl);
    w.f64(m.manualMinX);
    w.f64(m.manualMaxX);

    w.count(m.m_annotations.size());
    for (const GraphAnnotation& a : m.m_annotations) {
        w.i32(a.type);
        w.f64(a.x);
        w.f64(a.y);
        w.str(a.text);
        w.u32(a.color);
    }
    w.count(m.m_vertLines.size());
    for (const VertLineAnnotation& v : m.m_vertLines) {
        w.f64(v.x);
        w.str(v.text);
        w.u32(v.color);
    }

    const TableAnnotation& t = m.table;
    w.i32(t.rows);
    w.i32(t.columns);
    for (size_t i = 0; i < t.text.size(); ++i) {
        w.str(t.text[i]);
        w.u32(t.colors[i]);
    }
    w.u32(t.backColor);
    w.i32(t.location);
    w.i32(t.x);
    w.i32(t.y);
    w.i32(t.moveable);
    w.i32(t.border);
    w.i32(t.textSize);
    w.i32(t.headerRows);
    w.boolean(t.headerColumn);
    w.boolean(t.show);
    w.i32(t.dragX);
    w.i32(t.dragY);

    writeLook(w, m.look);

    w.count(m.zoomStack.size());
    for (const ZoomView& z : m.zoomStack) {
        w.f64(z.xMin);
        w.f64(z.xMax);
        w.count(z.y.size());
        for (const auto& [lo, hi] : z.y) {
            w.f64(lo);
            w.f64(hi);
        }
    }

    w.count(m.limitLines.size());
    for (const LimitLine& l : m.limitLines) {
        w.i32(l.subset);
        w.f64(l.value);
    }
    w.boolean(m.temperatureFahrenheit);

    Writer head;
    head.out.append(kMagic, sizeof kMagic);
    head.u32(kVersion);
    head.u32(quint32(w.out.size()));
    head.u32(crc32({reinterpret_cast<const quint8*>(w.out.constData()), size_t(w.out.size())}));
    return head.out + w.out;
}

bool ChartState::restore(const QByteArray& bytes, ChartModel& model, QString& error) {
    const std::span<const quint8> all(reinterpret_cast<const quint8*>(bytes.constData()),
                                      size_t(bytes.size()));
    if (bytes.size() < kHeaderSize) {
        error = QStringLiteral("Chart state is truncated: %1 bytes is shorter than its header.")
                    .arg(bytes.size());
        return false;
    }
    if (std::memcmp(bytes.constData(), kMagic, sizeof kMagic) != 0) {
        error = QStringLiteral("Not a chart state: the signature does not match.");
        return false;
    }
    Reader head(all.subspan(sizeof kMagic, 12));
    const quint32 version = head.u32("version");
    const quint32 length = head.u32("payload length");
    const quint32 crc = head.u32("checksum");
    if (version < kOldestVersion || version > kVersion) {
        error = QStringLiteral("Chart state version %1 is not supported (expected %2 to %3).")
                    .arg(version)
                    .arg(kOldestVersion)
                    .arg(kVersion);
        return false;
    }
    const auto payload = all.subspan(size_t(kHeaderSize));
    if (length != payload.size()) {
        error = QStringLiteral("Chart state length mismatch: the header gives %1 bytes, %2 are present.")
                    .arg(length)
                    .arg(payload.size());
        return false;
    }
    if (crc32(payload) != crc) {
        error = QStringLiteral("Chart state is corrupt: the checksum does not match.");
        return false;
    }

    Reader r(payload);
    ChartModel m;
    const int subsets = r.inRange("subset count", 0, ChartModel::kMaxSubsets);
    const int points = r.inRange("point count", 0, int(ChartModel::kMaxCells));
    if (r.ok() && qint64(subsets) * points > ChartModel::kMaxCells)
        r.fail(QStringLiteral("Chart state is corrupt: %1 subsets of %2 points exceed the limit.")
                   .arg(subsets)
                   .arg(points));
    const size_t cells = r.ok() ? size_t(subsets) * size_t(points) : 0;
    if (r.ok() && cells * 16 > r.remaining())
        r.fail(QStringLiteral("Chart state is truncated: %1 data cells need more bytes than remain.")
                   .arg(cells));
    if (r.ok()) {
        m.m_subsets = subsets;
        m.m_points = points;
        m.m_x.resize(cells);
        m.m_y.resize(cells);
        r.f64Array(m.m_x, "X value");
        r.f64Array(m.m_y, "Y value");
        // X values are dates; NaN, infinities and values far beyond the calendar would reach
        // date arithmetic that cannot hold them. Y values that are not finite draw as gaps.
        if (r.ok() && !std::all_of(m.m_x.begin(), m.m_x.end(), isDateTimeValue))
            r.fail(QStringLiteral("Chart state is corrupt: an X value is not a date."));
    }

    m.m_labels.resize(r.count("subset labels", 4, ChartModel::kMaxSubsets));
    for (QString& s : m.m_labels)
        s = r.str("subset label");
    m.m_colors.resize(r.count("subset colours", 4, ChartModel::kMaxSubsets));
    for (quint32& c : m.m_colors)
        c = r.u32("subset colour");
    m.m_randomActive = r.boolean("subset list flag");
    m.m_random.resize(r.count("subsets to graph", 4, ChartModel::kMaxSubsets));
    for (int& s : m.m_random)
        s = r.inRange("subset to graph", 0, ChartModel::kMaxSubsets - 1);

    m.m_axisSubsets.resize(r.count("axis subsets", 4, ChartModel::kMaxAxes));
    for (int& n : m.m_axisSubsets)
        n = r.inRange("axis subset count", 0, ChartModel::kMaxSubsets);
    m.m_proportions.resize(r.count("axis proportions", 8, ChartModel::kMaxAxes));
    for (double& p : m.m_proportions) {
        p = r.finite("axis proportion");
        if (r.ok() && (p < 0.0 || p > 1.0))
            r.fail(QStringLiteral("Chart state is corrupt: an axis proportion lies outside 0 to 1."));
    }
    m.m_yAxes.resize(r.count("Y axes", 24, ChartModel::kMaxAxes));
    if (r.ok() && m.m_yAxes.empty())
        r.fail(QStringLiteral("Chart state is corrupt: it has no Y axis."));
    for (YAxisSettings& a : m.m_yAxes) {
        a.label = r.str("Y axis label");
        a.scaleControl = r.inRange("Y scale control", pe::sgNoManualScale, pe::sgManualMinAndMax);
        a.manualMin = r.finite("Y minimum");
        a.manualMax = r.finite("Y maximum");
    }
    m.m_workingAxis = r.inRange("working axis", 0, int(std::max<size_t>(m.m_yAxes.size(), 1)) - 1);
    m.xScaleControl = r.inRange("X scale control", pe::sgNoManualScale, pe::sgManualMinAndMax);
    m.manualMinX = r.date("X minimum");
    m.manualMaxX = r.date("X maximum");

    m.m_annotations.resize(r.count("graph annotations", 28, ChartModel::kMaxAnnotations));
    for (GraphAnnotation& a : m.m_annotations) {
        a.type = r.inRange("annotation type", 0, 255);
        a.x = r.date("annotation X");
        a.y = r.finite("annotation Y");
        a.text = r.str("annotation text");
        a.color = r.u32("annotation colour");
    }
    m.m_vertLines.resize(r.count("line annotations", 16, ChartModel::kMaxAnnotations));
    for (VertLineAnnotation& v : m.m_vertLines) {
        v.x = r.date("line annotation X");
        v.text = r.str("line annotation text");
        v.color = r.u32("line annotation colour");
    }

    TableAnnotation& t = m.table;
    const int rows = r.inRange("table rows", 0, ChartModel::kMaxTableCells);
    const int columns = r.inRange("table columns", 0, ChartModel::kMaxTableCells);
    if (r.ok() && qint64(rows) * columns > ChartModel::kMaxTableCells)
        r.fail(QStringLiteral("Chart state is corrupt: a table of %1 by %2 cells exceeds the limit.")
                   .arg(rows)
                   .arg(columns));
    if (r.ok() && quint64(rows) * quint64(columns) * 8 > r.remaining())
        r.fail(QStringLiteral("Chart state is truncated: the table's cells need more bytes than remain."));
    if (r.ok()) {
        t.resize(rows, columns);
        for (size_t i = 0; i < t.text.size(); ++i) {
            t.text[i] = r.str("table text");
            t.colors[i] = r.u32("table colour");
        }
    }
    t.backColor = r.u32("table background");
    t.location = r.i32("table location");
    t.x = r.i32("table X");
    t.y = r.i32("table Y");
    t.moveable = r.inRange("table moveable", pe::sgTANotMoveable, pe::sgTAMoveableNoHotSpots);
    t.border = r.inRange("table border", pe::sgNoBorder, pe::sgShadow);
    t.textSize = r.inRange("table text size", 1, 1000);
    t.headerRows = r.inRange("table header rows", 0, ChartModel::kMaxTableCells);
    t.headerColumn = r.boolean("table header column");
    t.show = r.boolean("table shown");
    t.dragX = r.inRange("table drag X", -100000, 100000);
    t.dragY = r.inRange("table drag Y", -100000, 100000);

    m.look = readLook(r);

    m.zoomStack.resize(r.count("zoom views", 20, 4096));
    for (ZoomView& z : m.zoomStack) {
        z.xMin = r.date("zoom X minimum");
        z.xMax = r.date("zoom X maximum");
        z.y.resize(r.count("zoom Y ranges", 16, ChartModel::kMaxAxes));
        for (auto& [lo, hi] : z.y) {
            lo = r.finite("zoom Y minimum");
            hi = r.finite("zoom Y maximum");
        }
    }

    if (version >= 2) {
        m.limitLines.resize(r.count("limit lines", 12, ChartModel::kMaxLimitLines));
        for (LimitLine& l : m.limitLines) {
            l.subset = r.inRange("limit line subset", 0, ChartModel::kMaxSubsets - 1);
            l.value = r.finite("limit line value");
        }
    }
    if (version >= 3)
        m.temperatureFahrenheit = r.boolean("temperature unit");

    if (r.ok() && r.remaining() != 0)
        r.fail(QStringLiteral("Chart state is corrupt: %1 unexpected bytes follow the chart.")
                   .arg(r.remaining()));
    if (!r.ok()) {
        error = r.error();
        return false;
    }
    model = std::move(m);
    return true;
}
