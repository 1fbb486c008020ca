#pragma once
// "Y Axis Maximum And Minimum Scale Setup": the whole-number extents of the ppm axis (axis 0) and
// the humidity/temperature axis (axis 1), and whether to keep the chart's look as the template.
#include <QDialog>

class QCheckBox;
class QLineEdit;

class YAxisScaleDialog : public QDialog {
    Q_OBJECT
  public:
    explicit YAxisScaleDialog(QWidget* parent = nullptr);

    QLineEdit* ppmMinField = nullptr;
    QLineEdit* ppmMaxField = nullptr;
    QLineEdit* humidityMinField = nullptr;
    QLineEdit* humidityMaxField = nullptr;
    QCheckBox* saveTemplateBox = nullptr;
};

// A scale end as the dialog offers it: truncated toward zero (values beyond int are clamped).
QString scaleEndText(double value);
