#include "chart_customize_dialog.h"

#include "platform/prompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <limits>

namespace {

void showColor(QPushButton* button, quint32 value) {
    const QColor c = colorFromPe(value);
    button->setText(c.name());
    button->setStyleSheet(
        QStringLiteral("background-color: %1; color: %2")
            .arg(c.name(), c.lightness() < 128 ? QStringLiteral("white") : QStringLiteral("black")));
}

// The value a control shows, to tell later whether the user changed it.
QVariant controlValue(const QWidget* w) {
    if (auto* e = qobject_cast<const QLineEdit*>(w))
        return e->text();
    if (auto* f = qobject_cast<const QFontComboBox*>(w))
        return f->currentFont().family();
    if (auto* c = qobject_cast<const QComboBox*>(w))
        return c->currentIndex();
    if (auto* d = qobject_cast<const QDoubleSpinBox*>(w))
        return d->value();
    if (auto* i = qobject_cast<const QSpinBox*>(w))
        return i->value();
    if (auto* b = qobject_cast<const QCheckBox*>(w))
        return b->isChecked();
    return {};
}

} // namespace

ChartCustomizeDialog::ChartCustomizeDialog(const ChartModel& model, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_model(model), m_prompter(prompter) {
    setWindowTitle(QStringLiteral("Customize Graph"));
    setObjectName(QStringLiteral("ChartCustomizeDialog"));
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    layout->addWidget(m_tabs);
    const ChartLook& look = model.look;
    if (look.allowTitlesPage)
        m_tabs->addTab(titlesPage(), QStringLiteral("Titles"));
    if (look.allowColorsPage)
        m_tabs->addTab(colorsPage(), QStringLiteral("Colors"));
    if (look.allowSubsetsPage)
        m_tabs->addTab(subsetsPage(), QStringLiteral("Subsets"));
    if (look.allowFontPage)
        m_tabs->addTab(fontsPage(), QStringLiteral("Fonts"));
    if (look.allowAxisPage)
        m_tabs->addTab(axesPage(), QStringLiteral("Axes"));
    m_tabs->addTab(gridPage(), QStringLiteral("Grid"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    for (const QWidget* w : findChildren<QWidget*>())
        m_initial[w] = controlValue(w);
    for (ColorEdit* c : {&m_desk, &m_back, &m_fore, &m_text})
        c->initial = c->value;
    for (SubsetEdits& e : m_subsets)
        e.initial = e.value;
}

bool ChartCustomizeDialog::edited(const QWidget* control) const {
    const auto it = m_initial.find(control);
    return control && it != m_initial.end() && controlValue(control) != it->second;
}

QStringList ChartCustomizeDialog::pageTitles() const {
    QStringList titles;
    for (int i = 0; i < m_tabs->count(); ++i)
        titles << m_tabs->tabText(i);
    return titles;
}

QPushButton* ChartCustomizeDialog::colorButton(const QString& name, quint32* value) {
    auto* button = new QPushButton;
    button->setObjectName(name);
    showColor(button, *value);
    connect(button, &QPushButton::clicked, this, [this, button, value] {
        QColor c = colorFromPe(*value);
        if (m_prompter.chooseColor(c)) {
            *value = peFromColor(c);
            showColor(button, *value);
        }
    });
    return button;
}

QWidget* ChartCustomizeDialog::titlesPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    auto edit = [&](const QString& name, const QString& text) {
        auto* e = new QLineEdit(text);
        e->setObjectName(name);
        return e;
    };
    m_mainTitle = edit(QStringLiteral("mainTitle"), m_model.look.mainTitle);
    m_subTitle = edit(QStringLiteral("subTitle"), m_model.look.subTitle);
    m_xLabel = edit(QStringLiteral("xAxisLabel"), m_model.look.xAxisLabel);
    form->addRow(QStringLiteral("Main title"), m_mainTitle);
    form->addRow(QStringLiteral("Subtitle"), m_subTitle);
    form->addRow(QStringLiteral("X axis label"), m_xLabel);
    for (int a = 0; a < m_model.axisCount(); ++a) {
        m_yLabels.push_back(edit(QStringLiteral("yAxisLabel%1").arg(a), m_model.yAxisAt(a).label));
        form->addRow(QStringLiteral("Y axis %1 label").arg(a + 1), m_yLabels.back());
    }
    return page;
}

QWidget* ChartCustomizeDialog::colorsPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    const ChartLook& look = m_model.look;
    m_desk.value = look.deskColor;
    m_back.value = look.graphBackColor;
    m_fore.value = look.graphForeColor;
    m_text.value = look.textColor;
    m_desk.button = colorButton(QStringLiteral("deskColor"), &m_desk.value);
    m_back.button = colorButton(QStringLiteral("graphBackColor"), &m_back.value);
    m_fore.button = colorButton(QStringLiteral("graphForeColor"), &m_fore.value);
    m_text.button = colorButton(QStringLiteral("textColor"), &m_text.value);
    form->addRow(QStringLiteral("Desk"), m_desk.button);
    form->addRow(QStringLiteral("Graph background"), m_back.button);
    form->addRow(QStringLiteral("Grid and axes"), m_fore.button);
    form->addRow(QStringLiteral("Text"), m_text.button);
    return page;
}

QWidget* ChartCustomizeDialog::subsetsPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    m_subsets.resize(size_t(m_model.subsets())); // no growth later: the colour buttons keep pointers
    for (int s = 0; s < m_model.subsets(); ++s) {
        SubsetEdits& e = m_subsets[size_t(s)];
        e.value = m_model.subsetColor(s);
        e.label = new QLineEdit(m_model.subsetLabel(s));
        e.label->setObjectName(QStringLiteral("subsetLabel%1").arg(s));
        e.color = colorButton(QStringLiteral("subsetColor%1").arg(s), &e.value);
        auto* row = new QHBoxLayout;
        row->addWidget(e.label);
        row->addWidget(e.color);
        form->addRow(QStringLiteral("Subset %1").arg(s + 1), row);
    }
    return page;
}

QWidget* ChartCustomizeDialog::fontsPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    m_fontFamily = new QFontComboBox;
    m_fontFamily->setObjectName(QStringLiteral("fontFamily"));
    if (!m_model.look.fontFamily.isEmpty())
        m_fontFamily->setCurrentFont(QFont(m_model.look.fontFamily));
    m_fontSize = new QSpinBox;
    m_fontSize->setObjectName(QStringLiteral("fontSize"));
    m_fontSize->setRange(4, 72);
    m_fontSize->setValue(m_model.look.fontSize);
    m_titleBold = new QCheckBox(QStringLiteral("Bold titles"));
    m_titleBold->setObjectName(QStringLiteral("titleBold"));
    m_titleBold->setChecked(m_model.look.titleBold);
    m_annotationSize = new QSpinBox;
    m_annotationSize->setObjectName(QStringLiteral("annotationTextSize"));
    m_annotationSize->setRange(10, 400);
    m_annotationSize->setSuffix(QStringLiteral(" %"));
    m_annotationSize->setValue(m_model.look.graphAnnotationTextSize);
    form->addRow(QStringLiteral("Font"), m_fontFamily);
    form->addRow(QStringLiteral("Size"), m_fontSize);
    form->addRow(QString(), m_titleBold);
    form->addRow(QStringLiteral("Annotation text"), m_annotationSize);
    return page;
}

QWidget* ChartCustomizeDialog::axesPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    constexpr double big = 1e12;
    for (int a = 0; a < m_model.axisCount(); ++a) {
        const YAxisSettings& s = m_model.yAxisAt(a);
        AxisEdits e;
        e.control = new QComboBox;
        e.control->setObjectName(QStringLiteral("scaleControl%1").arg(a));
        e.control->addItems({QStringLiteral("Automatic"), QStringLiteral("Fixed minimum"),
                             QStringLiteral("Fixed maximum"), QStringLiteral("Fixed minimum and maximum")});
        e.control->setCurrentIndex(s.scaleControl);
        e.min = new QDoubleSpinBox;
        e.min->setObjectName(QStringLiteral("scaleMin%1").arg(a));
        e.min->setRange(-big, big);
        e.min->setDecimals(3);
        e.min->setValue(s.manualMin);
        e.max = new QDoubleSpinBox;
        e.max->setObjectName(QStringLiteral("scaleMax%1").arg(a));
        e.max->setRange(-big, big);
        e.max->setDecimals(3);
        e.max->setValue(s.manualMax);
        form->addRow(QStringLiteral("Y axis %1 scale").arg(a + 1), e.control);
        form->addRow(QStringLiteral("Minimum"), e.min);
        form->addRow(QStringLiteral("Maximum"), e.max);
        m_axes.push_back(e);
    }
    return page;
}

QWidget* ChartCustomizeDialog::gridPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    m_gridLines = new QComboBox;
    m_gridLines->setObjectName(QStringLiteral("gridLines"));
    m_gridLines->addItems(
        {QStringLiteral("Both"), QStringLiteral("Y only"), QStringLiteral("X only"), QStringLiteral("None")});
    m_gridLines->setCurrentIndex(m_model.look.gridLineControl);
    m_gridStyle = new QComboBox;
    m_gridStyle->setObjectName(QStringLiteral("gridStyle"));
    m_gridStyle->addItems({QStringLiteral("Solid"), QStringLiteral("Dotted"), QStringLiteral("Dashed")});
    m_gridStyle->setCurrentIndex(m_model.look.gridStyle);
    m_showAnnotations = new QCheckBox(QStringLiteral("Show annotations"));
    m_showAnnotations->setObjectName(QStringLiteral("showAnnotations"));
    m_showAnnotations->setChecked(m_model.look.showAnnotations);
    m_showLines = new QCheckBox(QStringLiteral("Show line annotations"));
    m_showLines->setObjectName(QStringLiteral("showLineAnnotations"));
    m_showLines->setChecked(m_model.look.showVertLineAnnotations);
    form->addRow(QStringLiteral("Grid lines"), m_gridLines);
    form->addRow(QStringLiteral("Grid style"), m_gridStyle);
    form->addRow(QString(), m_showAnnotations);
    form->addRow(QString(), m_showLines);
    return page;
}

void ChartCustomizeDialog::applyTo(ChartModel& model) const {
    ChartLook& look = model.look;
    const auto text = [this](const QLineEdit* e, QString& into) {
        if (edited(e))
            into = e->text();
    };
    text(m_mainTitle, look.mainTitle);
    text(m_subTitle, look.subTitle);
    text(m_xLabel, look.xAxisLabel);
    for (size_t a = 0; a < m_yLabels.size(); ++a) {
        if (edited(m_yLabels[a]))
            model.yAxis(int(a)).label = m_yLabels[a]->text();
    }
    const std::pair<const ColorEdit*, quint32*> colors[] = {{&m_desk, &look.deskColor},
                                                            {&m_back, &look.graphBackColor},
                                                            {&m_fore, &look.graphForeColor},
                                                            {&m_text, &look.textColor}};
    for (const auto& [edit, into] : colors) {
        if (edit->edited())
            *into = edit->value;
    }
    for (size_t s = 0; s < m_subsets.size(); ++s) {
        if (edited(m_subsets[s].label))
            model.setSubsetLabel(int(s), m_subsets[s].label->text());
        if (m_subsets[s].value != m_subsets[s].initial)
            model.setSubsetColor(int(s), m_subsets[s].value);
    }
    if (edited(m_fontFamily))
        look.fontFamily = m_fontFamily->currentFont().family();
    if (edited(m_fontSize))
        look.fontSize = m_fontSize->value();
    if (edited(m_titleBold))
        look.titleBold = m_titleBold->isChecked();
    if (edited(m_annotationSize))
        look.graphAnnotationTextSize = m_annotationSize->value();
    for (size_t a = 0; a < m_axes.size(); ++a) {
        if (edited(m_axes[a].control))
            model.yAxis(int(a)).scaleControl = m_axes[a].control->currentIndex();
        if (edited(m_axes[a].min))
            model.yAxis(int(a)).manualMin = m_axes[a].min->value();
        if (edited(m_axes[a].max))
            model.yAxis(int(a)).manualMax = m_axes[a].max->value();
    }
    if (edited(m_gridLines))
        look.gridLineControl = m_gridLines->currentIndex();
    if (edited(m_gridStyle))
        look.gridStyle = m_gridStyle->currentIndex();
    if (edited(m_showAnnotations))
        look.showAnnotations = m_showAnnotations->isChecked();
    if (edited(m_showLines))
        look.showVertLineAnnotations = m_showLines->isChecked();
}
