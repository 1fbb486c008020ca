#include "range_progress_dialog.h"

#include "platform/prompter.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <climits>

RangeProgressDialog::RangeProgressDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("RangeProgressDialog"));

    rangeGroup = new QGroupBox(this);
    allButton = new QRadioButton(tr("&All"), rangeGroup);
    selectButton = new QRadioButton(tr("&Select"), rangeGroup);
    fromField = new QLineEdit(rangeGroup);
    toField = new QLineEdit(rangeGroup);
    fromCaption = new QLabel(tr("&from"), rangeGroup);
    toCaption = new QLabel(tr("&to"), rangeGroup);
    fromCaption->setBuddy(fromField);
    toCaption->setBuddy(toField);
    allButton->setChecked(true);
    auto* range = new QGridLayout(rangeGroup);
    range->addWidget(allButton, 0, 0, 1, 4);
    range->addWidget(selectButton, 1, 0, 1, 4);
    range->addWidget(fromCaption, 2, 0);
    range->addWidget(fromField, 2, 1);
    range->addWidget(toCaption, 2, 2);
    range->addWidget(toField, 2, 3);

    progressBar = new QProgressBar(this);
    progressBar->setTextVisible(false);
    bytesReceivedCaption = new QLabel(tr("bytes received"), this);
    bytesReceivedLabel = new QLabel(this);
    totalBytesCaption = new QLabel(tr("total bytes"), this);
    totalBytesLabel = new QLabel(this);

    okButton = new QPushButton(tr("OK"), this);
    cancelButton = new QPushButton(tr("Cancel"), this);
    okButton->setDefault(true);

    const std::pair<QWidget*, const char*> names[] = {
        {rangeGroup, "rangeGroup"},
        {allButton, "allButton"},
        {selectButton, "selectButton"},
        {fromCaption, "fromCaption"},
        {fromField, "fromField"},
        {toCaption, "toCaption"},
        {toField, "toField"},
        {okButton, "okButton"},
        {cancelButton, "cancelButton"},
        {progressBar, "progressBar"},
        {bytesReceivedCaption, "bytesReceivedCaption"},
        {totalBytesCaption, "totalBytesCaption"},
        {bytesReceivedLabel, "bytesReceivedLabel"},
        {totalBytesLabel, "totalBytesLabel"},
    };
    for (const auto& [w, name] : names) {
        w->setObjectName(QString::fromLatin1(name));
        w->hide();
    }
    // Children of the group box follow it; they are shown with it.
    for (QWidget* w : {static_cast<QWidget*>(allButton), static_cast<QWidget*>(selectButton),
                       static_cast<QWidget*>(fromCaption), static_cast<QWidget*>(fromField),
                       static_cast<QWidget*>(toCaption), static_cast<QWidget*>(toField)})
        w->show();

    auto* status1 = new QHBoxLayout;
    status1->addWidget(bytesReceivedCaption);
    status1->addWidget(bytesReceivedLabel, 1);
    auto* status2 = new QHBoxLayout;
    status2->addWidget(totalBytesCaption);
    status2->addWidget(totalBytesLabel, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rangeGroup);
    layout->addWidget(progressBar);
    layout->addLayout(status1);
    layout->addLayout(status2);
    layout->addLayout(buttons);

    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, [this] { onCancelClicked(); });
}

void RangeProgressDialog::onCancelClicked() {
    if (m_progressUse)
        m_cancelled = true;
    else
        QDialog::reject();
}

void RangeProgressDialog::reject() {
    // Escape or the close box: in a progress use this is a request to stop, not a close, so the
    // running loop stays in charge of the dialog's lifetime.
    onCancelClicked();
}

void RangeProgressDialog::centreOnScreen() {
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}

void RangeProgressDialog::setupRange(const QString& caption, qint64 count) {
    m_progressUse = false;
    setWindowTitle(caption);
    rangeGroup->show();
    okButton->show();
    cancelButton->show();
    fromField->setText(QStringLiteral("1"));
    toField->setText(QString::number(count));
    setModal(true);
    centreOnScreen();
}

void RangeProgressDialog::setupProgress(const QString& caption, const QString& status, qint64 maximum,
                                        bool cancellable) {
    m_progressUse = true;
    m_cancelled = false;
    setWindowTitle(caption);
    progressBar->show();
    bytesReceivedCaption->show();
    bytesReceivedCaption->setText(status);
    cancelButton->setVisible(cancellable);
    m_maximum = std::max<qint64>(maximum, 0);
    m_scale = 1;
    while (m_maximum / m_scale > INT_MAX)
        m_scale *= 2;
    progressBar->setRange(0, static_cast<int>(m_maximum / m_scale));
    progressBar->setValue(0);
    setModal(false);
    centreOnScreen();
}

void RangeProgressDialog::setProgress(qint64 value) {
    value = std::clamp<qint64>(value, 0, m_maximum);
    progressBar->setValue(static_cast<int>(value / m_scale));
}

void RangeProgressDialog::setStatus(const QString& text) {
    bytesReceivedCaption->setText(text);
}

std::optional<ScopeRange> rangeFromTexts(const QString& fromText, const QString& toText, qint64 count) {
    bool okFrom = false, okTo = false;
    // Read as 32-bit whole numbers; the absolute value is taken in 64 bits so INT_MIN stays sane.
    qint64 from = fromText.trimmed().toInt(&okFrom);
    qint64 to = toText.trimmed().toInt(&okTo);
    if (!okFrom || !okTo)
        return std::nullopt;
    from = from < 0 ? -from : from;
    to = to < 0 ? -to : to;
    if (to < from)
        std::swap(from, to);
    if (to > count)
        to = count;
    if (from == 0)
        from = 1;
    return ScopeRange{from, to};
}

std::optional<ScopeRange> chooseScopeRange(Prompter& prompter, qint64 count, QWidget* parent, bool* invalid) {
    if (invalid)
        *invalid = false;
    RangeProgressDialog dialog(parent);
    dialog.setupRange(QStringLiteral("Save File"), count);
    if (prompter.runDialog(dialog) != QDialog::Accepted)
        return std::nullopt;
    if (dialog.allButton->isChecked())
        return ScopeRange{1, count};
    const auto range = rangeFromTexts(dialog.fromField->text(), dialog.toField->text(), count);
    if (!range) {
        prompter.message(QStringLiteral("invalid integer"));
        if (invalid)
            *invalid = true;
    }
    return range;
}
