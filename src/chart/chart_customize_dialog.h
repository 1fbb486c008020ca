#pragma once
// The chart's customization dialog. It edits a copy of the chart's look, labels, colours and Y
// scales; the chart takes the edits over with applyTo() when the dialog closed with OK. Only what
// the user changed is written back: a value a control cannot show exactly (a font that is not
// installed, a size beyond a spin box's range, more decimals than it shows) stays as it was
// unless the user edits that control.
// Pages: "Titles" (allowTitlesPage), "Colors" (allowColorsPage), "Subsets" (AllowSubsetsPage), "Fonts"
// (AllowFontPage), "Axes" (AllowAxisPage) and "Grid", which is always there.
#include "chart/chart_model.h"

#include <QDialog>
#include <QStringList>
#include <QVariant>
#include <map>
#include <vector>

class Prompter;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFontComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

class ChartCustomizeDialog : public QDialog {
    Q_OBJECT
  public:
    ChartCustomizeDialog(const ChartModel& model, Prompter& prompter, QWidget* parent = nullptr);

    QStringList pageTitles() const;
    // Writes what the visible pages edited into `model`; hidden pages change nothing.
    void applyTo(ChartModel& model) const;

  private:
    struct AxisEdits {
        QLineEdit* label = nullptr;
        QComboBox* control = nullptr;
        QDoubleSpinBox* min = nullptr;
        QDoubleSpinBox* max = nullptr;
    };
    struct SubsetEdits {
        QLineEdit* label = nullptr;
        QPushButton* color = nullptr;
        quint32 value = 0;
        quint32 initial = 0;
    };
    struct ColorEdit {
        QPushButton* button = nullptr;
        quint32 value = 0;
        quint32 initial = 0;
        bool edited() const { return button && value != initial; }
    };

    QWidget* titlesPage();
    QWidget* colorsPage();
    QWidget* subsetsPage();
    QWidget* fontsPage();
    QWidget* axesPage();
    QWidget* gridPage();
    QPushButton* colorButton(const QString& name, quint32* value);
    // Whether the user changed a control since the dialog was built.
    bool edited(const QWidget* control) const;

    const ChartModel& m_model;
    Prompter& m_prompter;
    QTabWidget* m_tabs = nullptr;

    QLineEdit* m_mainTitle = nullptr;
    QLineEdit* m_subTitle = nullptr;
    QLineEdit* m_xLabel = nullptr;
    std::vector<QLineEdit*> m_yLabels;
    ColorEdit m_desk, m_back, m_fore, m_text;
    std::vector<SubsetEdits> m_subsets;
    QFontComboBox* m_fontFamily = nullptr;
    QSpinBox* m_fontSize = nullptr;
    QCheckBox* m_titleBold = nullptr;
    QSpinBox* m_annotationSize = nullptr;
    std::vector<AxisEdits> m_axes;
    QComboBox* m_gridLines = nullptr;
    QComboBox* m_gridStyle = nullptr;
    QCheckBox* m_showAnnotations = nullptr;
    QCheckBox* m_showLines = nullptr;
    std::map<const QWidget*, QVariant> m_initial; // each control's value as the dialog opened
};
