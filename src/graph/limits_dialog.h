#pragma once
// "Limit Lines": up to two limits per channel of a graph window, each drawn as a dashed line, with
// the time the channel spends above it in the statistics. Temperatures are in the unit the chart's
// values are in. OK keeps the dialog open, with the reason shown, while a limit cannot be read or
// lies outside what its channel can measure.
#include "chart/chart_model.h"

#include <QDialog>
#include <array>
#include <vector>

class QLabel;
class QLineEdit;

class LimitsDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kChannels = 3;
    static constexpr int kPerChannel = 2;

    explicit LimitsDialog(bool fahrenheit, QWidget* parent = nullptr);

    // Fills the fields from a chart's limit lines of channels 0 to 2, at most two of each.
    void setLimits(const std::vector<LimitLine>& lines);
    // The limits the fields hold, by channel, each channel's in field order; empty fields give none.
    // Valid once the dialog was accepted.
    std::vector<LimitLine> limits() const { return m_limits; }

    // Field k (0 or 1) of a channel (0 ppm, 1 %RH, 2 temperature).
    QLineEdit* field(int channel, int k) const { return m_fields[size_t(channel)][size_t(k)]; }
    QLabel* errorLabel = nullptr;

    // The values a channel's limit may take, in the chart's unit.
    static std::pair<double, double> allowedRange(int channel, bool fahrenheit);

  public slots:
    void accept() override;

  private:
    bool m_fahrenheit;
    std::array<std::array<QLineEdit*, kPerChannel>, kChannels> m_fields{};
    std::vector<LimitLine> m_limits;
};
