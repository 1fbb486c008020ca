#include "y_axis_scale_dialog.h"

#include "chart/chart_widget.h"
#include "graph/graph_file.h"
#include "graph/graph_window.h"
#include "platform/prompter.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>
#include <limits>
#include <optional>

namespace {

QLineEdit* edit(QWidget* parent, const QString& name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}

QGroupBox* axisGroup(QWidget* parent, const QString& title, QLineEdit* min, QLineEdit* max) {
    auto* group = new QGroupBox(title, parent);
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("MIN"), min);
    form->addRow(QStringLiteral("MAX"), max);
    return group;
}

std::optional<int> wholeNumber(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

QString scaleEndText(double value) {
    if (std::isnan(value))
        return QStringLiteral("0");
    constexpr double lo = std::numeric_limits<int>::min();
    constexpr double hi = std::numeric_limits<int>::max();
    return QString::number(int(std::clamp(std::trunc(value), lo, hi)));
}

YAxisScaleDialog::YAxisScaleDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("YAxisScaleDialog"));
    const QString title = QStringLiteral("Y Axis Maximum And Minimum Scale Setup");
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* outer = new QGroupBox(title, this);
    auto* row = new QHBoxLayout(outer);
    ppmMinField = edit(outer, QStringLiteral("ppmMinField"));
    ppmMaxField = edit(outer, QStringLiteral("ppmMaxField"));
    humidityMinField = edit(outer, QStringLiteral("humidityMinField"));
    humidityMaxField = edit(outer, QStringLiteral("humidityMaxField"));
    row->addWidget(axisGroup(outer, QStringLiteral("ppm"), ppmMinField, ppmMaxField));
    row->addWidget(axisGroup(outer, QStringLiteral("RH /Temp."), humidityMinField, humidityMaxField));
    layout->addWidget(outer);

    saveTemplateBox = new QCheckBox(QStringLiteral("Save this setting "), this);
    saveTemplateBox->setObjectName(QStringLiteral("saveTemplateBox"));
    QFont bold = saveTemplateBox->font();
    bold.setBold(true);
    saveTemplateBox->setFont(bold);
    saveTemplateBox->setStyleSheet(QStringLiteral("color: red;"));
    layout->addWidget(saveTemplateBox);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void GraphWindow::onYAxisClicked() {
    chart->setWorkingAxis(0);
    YAxisScaleDialog dialog(this);
    dialog.ppmMinField->setText(scaleEndText(chart->ManualMinY()));
    dialog.ppmMaxField->setText(scaleEndText(chart->ManualMaxY()));
    chart->setWorkingAxis(1);
    dialog.humidityMinField->setText(scaleEndText(chart->ManualMinY()));
    dialog.humidityMaxField->setText(scaleEndText(chart->ManualMaxY()));
    chart->setWorkingAxis(0);
    if (m_prompter.runDialog(dialog) != QDialog::Accepted)
        return;

    // Converted in this order; the message names the last text that is not a whole number.
    QLineEdit* const order[] = {dialog.ppmMaxField, dialog.ppmMinField, dialog.humidityMaxField,
                                dialog.humidityMinField};
    std::optional<int> values[4];
    QString invalid;
    for (int i = 0; i < 4; ++i) {
        values[i] = wholeNumber(order[i]->text());
        if (!values[i])
            invalid = order[i]->text();
    }
    if (!values[0] || !values[1] || !values[2] || !values[3]) {
        m_prompter.message(invalid + QStringLiteral(" is invalid."));
        return;
    }
    // Applied as entered: a minimum above its maximum is the user's choice.
    chart->setWorkingAxis(1);
    chart->setManualMinY(*values[3]);
    chart->setManualMaxY(*values[2]);
    chart->setWorkingAxis(0);
    chart->setManualMinY(*values[1]);
    chart->setManualMaxY(*values[0]);
    redraw();
    chart->showWholeYScales(); // a zoomed view shows the new scale now, its time range kept
    if (dialog.saveTemplateBox->isChecked())
        saveTemplate();
}
