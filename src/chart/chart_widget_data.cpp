// ChartWidget's data path: the model's points into the plotted series. A full push walks every
// point; a recording's single new cells are appended one by one without walking the data, and
// the automatic scales follow the data's extent either way.
#include "chart/chart_widget_layers.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace chartdraw;

void ChartWidget::noteCellWrite(int subset, int point) {
    ++m_dataRevision; // what was computed from the data (time above the limits) is out of date
    if (m_dataDirty)
        return; // everything is pushed anyway
    if (subset < 0 || subset >= m_model.subsets() || point < 0 || point >= m_model.points()) {
        if (subset == -1)
            markData(); // every cell
        return;         // outside the counts: the model ignores it
    }
    for (const PendingCell& cell : m_pendingCells) {
        if (cell.subset == subset && cell.point == point)
            return; // its pushed values are already kept
    }
    if (m_pendingCells.size() >= kMaxPendingCells) {
        markData();
        return;
    }
    m_pendingCells.push_back({subset, point, m_model.x(subset, point), m_model.y(subset, point)});
}

void ChartWidget::pushData() {
    const int axes = m_model.axisCount();
    const double inf = std::numeric_limits<double>::infinity();
    m_dataY.assign(size_t(axes), {inf, -inf});
    m_dataX = {inf, -inf};
    m_tails.assign(size_t(m_model.subsets()), SeriesTail{});
    const double gap = m_model.look.lineGapThreshold;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const bool dateTime = m_model.look.dateTimeMode == pe::sgVBDateTime;

    for (int s = 0; s < m_model.subsets(); ++s) {
        const auto xs = m_model.xRow(s);
        const auto ys = m_model.yRow(s);
        const auto keyAt = [&](size_t p) { return dateTime ? daysToAxisSeconds(xs[p]) : xs[p]; };
        const auto nullAt = [&](size_t p) { return m_model.isNull(ys[p]) || !std::isfinite(ys[p]); };
        SeriesTail& tail = m_tails[size_t(s)];
        for (size_t p = 0; p < xs.size(); ++p) {
            if (!nullAt(p)) {
                tail.keyLo = std::min(tail.keyLo, keyAt(p));
                tail.keyHi = std::max(tail.keyHi, keyAt(p));
            }
        }
        QVector<QCPGraphData> data;
        data.reserve(qsizetype(xs.size()));
        bool sorted = true;
        double lastKey = -inf;
        auto& yr = m_dataY[size_t(m_model.axisOfSubset(s))];
        for (size_t p = 0; p < xs.size(); ++p) {
            const double key = keyAt(p);
            const bool null = nullAt(p);
            if (null && !(key >= tail.keyLo && key <= tail.keyHi)) {
                // Before the first value or after the last one an empty point breaks nothing.
                if (key < tail.keyLo)
                    tail.omittedBelow = std::max(tail.omittedBelow, key);
                if (key > tail.keyHi)
                    tail.omittedAbove = std::min(tail.omittedAbove, key);
                if (std::isnan(key)) // cannot be placed: any span may come to hold it
                    tail.omittedBelow = tail.omittedAbove = nan;
                continue;
            }
            if (!null) {
                if (xs[p] - tail.lastX > gap) // too far from the previous point: leave a gap
                    data.append(QCPGraphData((keyOf(tail.lastX) + key) / 2, nan));
                tail.lastX = xs[p];
                tail.lastPoint = int(p);
                yr.first = std::min(yr.first, ys[p]);
                yr.second = std::max(yr.second, ys[p]);
                if (std::isfinite(xs[p])) {
                    m_dataX.first = std::min(m_dataX.first, xs[p]);
                    m_dataX.second = std::max(m_dataX.second, xs[p]);
                }
            }
            sorted = sorted && !(key < lastKey);
            lastKey = key;
            data.append(QCPGraphData(key, null ? nan : ys[p]));
        }
        m_graphs[size_t(s)]->data()->set(data, sorted);
    }
    updateAutoRanges();
    m_pushedGap = gap;
    m_pushedNull = m_model.look.nullDataValueY;
    m_pushedDateTimeMode = m_model.look.dateTimeMode;
    m_pendingCells.clear();
    m_dataDirty = false;
    ++m_dataPushes;
}

bool ChartWidget::appendPendingCells() {
    const ChartLook& look = m_model.look;
    if (look.lineGapThreshold != m_pushedGap || look.nullDataValueY != m_pushedNull ||
        look.dateTimeMode != m_pushedDateTimeMode || m_tails.size() != size_t(m_model.subsets()) ||
        m_graphs.size() != m_tails.size() || m_dataY.size() != size_t(m_model.axisCount()))
        return false;
    // Point order within each subset, as the full push meets them.
    std::sort(m_pendingCells.begin(), m_pendingCells.end(), [](const PendingCell& a, const PendingCell& b) {
        return std::pair(a.subset, a.point) < std::pair(b.subset, b.point);
    });
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const auto isNull = [this](double y) { return m_model.isNull(y) || !std::isfinite(y); };
    for (const PendingCell& cell : m_pendingCells) {
        SeriesTail& tail = m_tails[size_t(cell.subset)];
        // Only a value written past the subset's last one: every point after it is still empty,
        // so the full push would meet nothing else that changes.
        const double x = m_model.x(cell.subset, cell.point);
        const double y = m_model.y(cell.subset, cell.point);
        const double key = keyOf(x);
        if (cell.point <= tail.lastPoint || !isNull(cell.y) || isNull(y) || !std::isfinite(key))
            return false;
        QCPGraphDataContainer& data = *m_graphs[size_t(cell.subset)]->data();
        // The cell's old entry, a break at its old key, goes if it was plotted.
        const double oldKey = keyOf(cell.x);
        if (oldKey >= tail.keyLo && oldKey <= tail.keyHi) {
            const auto old = data.findBegin(oldKey, false);
            if (old == data.constEnd() || old->key != oldKey || !std::isnan(old->value))
                return false;
            data.remove(oldKey);
        }
        // Widening the span of values must not take in an empty point that was left out.
        if (tail.keyLo > tail.keyHi) { // the subset's first value
            if (tail.omittedBelow < key)
                tail.omittedAbove = inf; // every left-out point lies below it
            else if (tail.omittedAbove > key)
                tail.omittedBelow = -inf; // every one lies above it
            else
                return false;
        } else if ((key > tail.keyHi && !(tail.omittedAbove > key)) ||
                   (key < tail.keyLo && !(tail.omittedBelow < key))) {
            return false;
        }
        tail.keyLo = std::min(tail.keyLo, key);
        tail.keyHi = std::max(tail.keyHi, key);

        if (x - tail.lastX > look.lineGapThreshold)
            data.add(QCPGraphData((keyOf(tail.lastX) + key) / 2, nan));
        data.add(QCPGraphData(key, y));
        tail.lastX = x;
        tail.lastPoint = cell.point;
        auto& yr = m_dataY[size_t(m_model.axisOfSubset(cell.subset))];
        yr.first = std::min(yr.first, y);
        yr.second = std::max(yr.second, y);
        m_dataX.first = std::min(m_dataX.first, x);
        m_dataX.second = std::max(m_dataX.second, x);
    }
    updateAutoRanges();
    m_pendingCells.clear();
    return true;
}

void ChartWidget::updateAutoRanges() {
    m_autoY.resize(m_dataY.size());
    for (size_t a = 0; a < m_dataY.size(); ++a) {
        const auto [lo, hi] = m_dataY[a];
        if (lo > hi) {
            m_autoY[a] = {0.0, 1.0};
        } else {
            const double pad = (hi - lo) * 0.05;
            m_autoY[a] = sanitized(lo - pad, hi + pad);
        }
    }
    m_autoX = m_dataX.first > m_dataX.second ? std::pair{0.0, 1.0} : m_dataX;
}
