#include "limits_dialog.h"

#include "graph/graph_statistics.h"
#include "graph/limit_statistics.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

namespace {

// A number typed in the user's locale, or with a '.' for the decimals whatever the locale.
std::optional<double> typedNumber(const QString& text) {
    bool ok = false;
    double v = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        v = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

} // namespace

std::pair<double, double> LimitsDialog::allowedRange(int channel, bool fahrenheit) {
    switch (channel) {
    case graphstats::Ppm:
        return {0.0, 40000.0};
    case graphstats::Humidity:
        return {0.0, 100.0};
    default: {
        const graphstats::TemperatureLimits t = graphstats::temperatureLimits(
            fahrenheit ? graphstats::TemperatureUnit::Fahrenheit : graphstats::TemperatureUnit::Celsius);
        return {t.low, t.high};
    }
    }
}

LimitsDialog::LimitsDialog(bool fahrenheit, QWidget* parent) : QDialog(parent), m_fahrenheit(fahrenheit) {
    setObjectName(QStringLiteral("LimitsDialog"));
    setWindowTitle(QStringLiteral("Limit Lines"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("A dashed line is drawn at each limit, and the statistics show\n"
                                  "how long the channel was above it. Leave a field empty for none."),
                   this));
    auto* grid = new QGridLayout;
    const QString names[kChannels] = {QStringLiteral("ppm"), QStringLiteral("%RH"),
                                      fahrenheit ? QStringLiteral("Temp. (°F)")
                                                 : QStringLiteral("Temp. (°C)")};
    const QString keys[kChannels] = {QStringLiteral("ppm"), QStringLiteral("humidity"),
                                     QStringLiteral("temperature")};
    grid->addWidget(new QLabel(QStringLiteral("Limit 1"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Limit 2"), this), 0, 2);
    for (int c = 0; c < kChannels; ++c) {
        grid->addWidget(new QLabel(names[c], this), c + 1, 0);
        const auto [lo, hi] = allowedRange(c, fahrenheit);
        for (int k = 0; k < kPerChannel; ++k) {
            auto* e = new QLineEdit(this);
            e->setObjectName(QStringLiteral("%1Limit%2Field").arg(keys[c]).arg(k + 1));
            e->setToolTip(
                QStringLiteral("%1 to %2").arg(limitstats::formatLimit(lo), limitstats::formatLimit(hi)));
            m_fields[size_t(c)][size_t(k)] = e;
            grid->addWidget(e, c + 1, k + 1);
        }
    }
    layout->addLayout(grid);
    errorLabel = new QLabel(this);
    errorLabel->setObjectName(QStringLiteral("errorLabel"));
    errorLabel->setStyleSheet(QStringLiteral("color: red;"));
    errorLabel->hide();
    layout->addWidget(errorLabel);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &LimitsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void LimitsDialog::setLimits(const std::vector<LimitLine>& lines) {
    std::array<int, kChannels> used{};
    for (auto& row : m_fields) {
        for (QLineEdit* e : row)
            e->clear();
    }
    for (const LimitLine& l : lines) {
        if (l.subset < 0 || l.subset >= kChannels || used[size_t(l.subset)] >= kPerChannel)
            continue;
        field(l.subset, used[size_t(l.subset)]++)->setText(limitstats::formatLimit(l.value));
    }
}

void LimitsDialog::accept() {
    std::vector<LimitLine> chosen;
    for (int c = 0; c < kChannels; ++c) {
        const auto [lo, hi] = allowedRange(c, m_fahrenheit);
        for (int k = 0; k < kPerChannel; ++k) {
            QLineEdit* e = field(c, k);
            if (e->text().trimmed().isEmpty())
                continue;
            const std::optional<double> v = typedNumber(e->text());
            if (!v || *v < lo || *v > hi) {
                errorLabel->setText(
                    QStringLiteral("%1 is not a limit from %2 to %3.")
                        .arg(e->text().trimmed(), limitstats::formatLimit(lo), limitstats::formatLimit(hi)));
                errorLabel->show();
                e->setFocus();
                e->selectAll();
                return;
            }
            chosen.push_back({c, *v});
        }
    }
    m_limits = std::move(chosen);
    errorLabel->hide();
    QDialog::accept();
}
