#include "chart_model.h"

#include <algorithm>

QColor colorFromPe(quint32 value) {
    const int alpha = int(value >> 24);
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF),
                  alpha == 0 ? 255 : alpha);
}

quint32 peFromColor(const QColor& color) {
    const quint32 alpha = color.alpha() == 255 ? 0u : quint32(color.alpha());
    return peRgb(color.red(), color.green(), color.blue()) | (alpha << 24);
}

void TableAnnotation::resize(int newRows, int newColumns) {
    newRows = std::max(0, newRows);
    newColumns = std::max(0, newColumns);
    if (qint64(newRows) * newColumns > ChartModel::kMaxTableCells)
        return;
    std::vector<QString> newText(size_t(newRows) * size_t(newColumns));
    std::vector<quint32> newColors(newText.size(), 0);
    for (int r = 0; r < std::min(rows, newRows); ++r) {
        for (int c = 0; c < std::min(columns, newColumns); ++c) {
            newText[size_t(r) * newColumns + c] = text[size_t(r) * columns + c];
            newColors[size_t(r) * newColumns + c] = colors[size_t(r) * columns + c];
        }
    }
    rows = newRows;
    columns = newColumns;
    text = std::move(newText);
    colors = std::move(newColors);
}

ChartModel::ChartModel() : m_yAxes(1) {}

bool ChartModel::setSubsets(int count) {
    if (count < 0 || count > kMaxSubsets || qint64(count) * m_points > kMaxCells)
        return false;
    // Subset-major storage: whole rows are appended or dropped at the end.
    const size_t cells = size_t(count) * size_t(m_points);
    m_x.resize(cells, 0.0);
    m_y.resize(cells, look.nullDataValueY);
    m_subsets = count;
    return true;
}

bool ChartModel::setPoints(int count) {
    if (count < 0 || qint64(count) * m_subsets > kMaxCells)
        return false;
    if (count == m_points)
        return true;
    const size_t cells = size_t(m_subsets) * size_t(count);
    std::vector<double> nx(cells, 0.0);
    std::vector<double> ny(cells, look.nullDataValueY);
    const size_t keep = size_t(std::min(count, m_points));
    for (int s = 0; s < m_subsets; ++s) {
        std::copy_n(m_x.begin() + ptrdiff_t(size_t(s) * m_points), keep,
                    nx.begin() + ptrdiff_t(size_t(s) * count));
        std::copy_n(m_y.begin() + ptrdiff_t(size_t(s) * m_points), keep,
                    ny.begin() + ptrdiff_t(size_t(s) * count));
    }
    m_x = std::move(nx);
    m_y = std::move(ny);
    m_points = count;
    return true;
}

double ChartModel::x(int subset, int point) const {
    if (subset < 0 || subset >= m_subsets || point < 0 || point >= m_points)
        return 0.0;
    return m_x[size_t(subset) * m_points + point];
}

double ChartModel::y(int subset, int point) const {
    if (subset < 0 || subset >= m_subsets || point < 0 || point >= m_points)
        return look.nullDataValueY;
    return m_y[size_t(subset) * m_points + point];
}

void ChartModel::setX(int subset, int point, double value) {
    if (subset == -1) {
        std::fill(m_x.begin(), m_x.end(), value);
        return;
    }
    if (subset < 0 || subset >= m_subsets || point < 0 || point >= m_points)
        return;
    m_x[size_t(subset) * m_points + point] = value;
}

void ChartModel::setY(int subset, int point, double value) {
    if (subset == -1) {
        std::fill(m_y.begin(), m_y.end(), value);
        return;
    }
    if (subset < 0 || subset >= m_subsets || point < 0 || point >= m_points)
        return;
    m_y[size_t(subset) * m_points + point] = value;
}

namespace {

// Scatters point-after-point values into subset-major storage, a point at a time.
template <typename T>
void scatter(std::vector<double>& target, std::span<const T> values, size_t subsets, size_t points) {
    const size_t n = std::min(values.size(), target.size());
    const size_t whole = subsets == 0 ? 0 : n / subsets;
    double* out = target.data();
    const T* in = values.data();
    for (size_t p = 0; p < whole; ++p, in += subsets) {
        for (size_t s = 0; s < subsets; ++s)
            out[s * points + p] = double(in[s]);
    }
    for (size_t s = 0; s < n - whole * subsets; ++s) // a last, partly given point
        out[s * points + whole] = double(in[s]);
}

} // namespace

void ChartModel::setXArray(std::span<const double> values) {
    scatter(m_x, values, size_t(m_subsets), size_t(m_points));
}

void ChartModel::setYArray(std::span<const double> values) {
    scatter(m_y, values, size_t(m_subsets), size_t(m_points));
}

void ChartModel::setYArray(std::span<const float> values) {
    scatter(m_y, values, size_t(m_subsets), size_t(m_points));
}

std::span<const double> ChartModel::xRow(int subset) const {
    if (subset < 0 || subset >= m_subsets)
        return {};
    return std::span<const double>(m_x).subspan(size_t(subset) * m_points, size_t(m_points));
}

std::span<const double> ChartModel::yRow(int subset) const {
    if (subset < 0 || subset >= m_subsets)
        return {};
    return std::span<const double>(m_y).subspan(size_t(subset) * m_points, size_t(m_points));
}

QString ChartModel::subsetLabel(int subset) const {
    return subset >= 0 && size_t(subset) < m_labels.size() ? m_labels[size_t(subset)] : QString();
}

quint32 ChartModel::subsetColor(int subset) const {
    if (subset >= 0 && size_t(subset) < m_colors.size())
        return m_colors[size_t(subset)];
    // A readable default cycle for subsets nobody coloured.
    static constexpr quint32 defaults[] = {peRgb(0, 0, 255),   peRgb(255, 0, 0),   peRgb(0, 128, 0),
                                           peRgb(255, 128, 0), peRgb(128, 0, 128), peRgb(0, 128, 128)};
    return defaults[size_t(std::max(subset, 0)) % std::size(defaults)];
}

void ChartModel::setSubsetLabel(int subset, const QString& label) {
    if (subset < 0 || subset >= kMaxSubsets)
        return;
    if (size_t(subset) >= m_labels.size())
        m_labels.resize(size_t(subset) + 1);
    m_labels[size_t(subset)] = label;
}

void ChartModel::setSubsetColor(int subset, quint32 color) {
    if (subset < 0 || subset >= kMaxSubsets)
        return;
    while (m_colors.size() <= size_t(subset))
        m_colors.push_back(subsetColor(int(m_colors.size())));
    m_colors[size_t(subset)] = color;
}

void ChartModel::setRandomSubset(int index, int subset) {
    m_randomActive = true;
    if (index == -1) {
        m_random.clear();
        return;
    }
    if (index < 0 || index >= kMaxSubsets)
        return;
    if (size_t(index) >= m_random.size())
        m_random.resize(size_t(index) + 1, 0);
    m_random[size_t(index)] = subset;
}

int ChartModel::randomSubset(int index) const {
    return index >= 0 && size_t(index) < m_random.size() ? m_random[size_t(index)] : -1;
}

std::vector<int> ChartModel::drawnSubsets() const {
    std::vector<int> out;
    if (!m_randomActive) {
        for (int s = 0; s < m_subsets; ++s)
            out.push_back(s);
        return out;
    }
    for (int s : m_random) {
        if (s >= 0 && s < m_subsets && std::find(out.begin(), out.end(), s) == out.end())
            out.push_back(s);
    }
    return out;
}

void ChartModel::setMultiAxesSubsets(int axis, int count) {
    if (axis == -1) {
        m_axisSubsets.clear();
        return;
    }
    if (axis < 0 || axis >= kMaxAxes || count < 0 || count > kMaxSubsets)
        return;
    if (size_t(axis) >= m_axisSubsets.size())
        m_axisSubsets.resize(size_t(axis) + 1, 0);
    m_axisSubsets[size_t(axis)] = count;
}

int ChartModel::multiAxesSubsets(int axis) const {
    return axis >= 0 && size_t(axis) < m_axisSubsets.size() ? m_axisSubsets[size_t(axis)] : 0;
}

void ChartModel::setMultiAxesProportion(int axis, double fraction) {
    if (axis == -1) {
        m_proportions.clear();
        return;
    }
    if (axis < 0 || axis >= kMaxAxes || !(fraction >= 0.0 && fraction <= 1.0))
        return;
    if (size_t(axis) >= m_proportions.size())
        m_proportions.resize(size_t(axis) + 1, 0.0);
    m_proportions[size_t(axis)] = fraction;
}

double ChartModel::multiAxesProportion(int axis) const {
    if (axis >= 0 && size_t(axis) < m_proportions.size() && m_proportions[size_t(axis)] > 0.0)
        return m_proportions[size_t(axis)];
    return 1.0 / axisCount();
}

int ChartModel::axisCount() const {
    return std::max<int>(1, int(m_axisSubsets.size()));
}

int ChartModel::axisOfSubset(int subset) const {
    int first = 0;
    for (size_t a = 0; a < m_axisSubsets.size(); ++a) {
        first += m_axisSubsets[a];
        if (subset < first)
            return int(a);
    }
    return axisCount() - 1;
}

YAxisSettings& ChartModel::yAxis(int axis) {
    axis = std::clamp(axis, 0, kMaxAxes - 1);
    if (size_t(axis) >= m_yAxes.size())
        m_yAxes.resize(size_t(axis) + 1);
    return m_yAxes[size_t(axis)];
}

const YAxisSettings& ChartModel::yAxisAt(int axis) const {
    static const YAxisSettings unset;
    return axis >= 0 && size_t(axis) < m_yAxes.size() ? m_yAxes[size_t(axis)] : unset;
}

void ChartModel::setWorkingAxis(int axis) {
    if (axis < 0 || axis >= kMaxAxes)
        return;
    m_workingAxis = axis;
    yAxis(axis);
}

GraphAnnotation* ChartModel::annotation(int index) {
    if (index < 0 || index >= kMaxAnnotations)
        return nullptr;
    if (size_t(index) >= m_annotations.size())
        m_annotations.resize(size_t(index) + 1);
    return &m_annotations[size_t(index)];
}

VertLineAnnotation* ChartModel::vertLine(int index) {
    if (index < 0 || index >= kMaxAnnotations)
        return nullptr;
    if (size_t(index) >= m_vertLines.size())
        m_vertLines.resize(size_t(index) + 1);
    return &m_vertLines[size_t(index)];
}
