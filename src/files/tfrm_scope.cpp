#include "tfrm_scope.h"

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

TfrmScope::TfrmScope(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmScope"));

    GroupBox1 = new QGroupBox(this);
    radAll = new QRadioButton(tr("&All"), GroupBox1);
    radNo = new QRadioButton(tr("&Select"), GroupBox1);
    edtSelFrom = new QLineEdit(GroupBox1);
    edtSelTo = new QLineEdit(GroupBox1);
    Label1 = new QLabel(tr("&from"), GroupBox1);
    Label2 = new QLabel(tr("&to"), GroupBox1);
    Label1->setBuddy(edtSelFrom);
    Label2->setBuddy(edtSelTo);
    radAll->setChecked(true);
    auto* range = new QGridLayout(GroupBox1);
    range->addWidget(radAll, 0, 0, 1, 4);
    range->addWidget(radNo, 1, 0, 1, 4);
    range->addWidget(Label1, 2, 0);
    range->addWidget(edtSelFrom, 2, 1);
    range->addWidget(Label2, 2, 2);
    range->addWidget(edtSelTo, 2, 3);

    Progress1 = new QProgressBar(this);
    Progress1->setTextVisible(false);
    SText1 = new QLabel(tr("bytes received"), this);
    lblBytesReceived = new QLabel(this);
    SText2 = new QLabel(tr("total bytes"), this);
    lblTotalBytes = new QLabel(this);

    BitBtn1 = new QPushButton(tr("OK"), this);
    BitBtn2 = new QPushButton(tr("Cancel"), this);
    BitBtn1->setDefault(true);

    const std::pair<QWidget*, const char*> names[] = {
        {GroupBox1, "GroupBox1"},
        {radAll, "radAll"},
        {radNo, "radNo"},
        {Label1, "Label1"},
        {edtSelFrom, "edtSelFrom"},
        {Label2, "Label2"},
        {edtSelTo, "edtSelTo"},
        {BitBtn1, "BitBtn1"},
        {BitBtn2, "BitBtn2"},
        {Progress1, "Progress1"},
        {SText1, "SText1"},
        {SText2, "SText2"},
        {lblBytesReceived, "lblBytesReceived"},
        {lblTotalBytes, "lblTotalBytes"},
    };
    for (const auto& [w, name] : names) {
        w->setObjectName(QString::fromLatin1(name));
        w->hide();
    }
    // Children of the group box follow it; they are shown with it.
    for (QWidget* w :
         {static_cast<QWidget*>(radAll), static_cast<QWidget*>(radNo), static_cast<QWidget*>(Label1),
          static_cast<QWidget*>(edtSelFrom), static_cast<QWidget*>(Label2), static_cast<QWidget*>(edtSelTo)})
        w->show();

    auto* status1 = new QHBoxLayout;
    status1->addWidget(SText1);
    status1->addWidget(lblBytesReceived, 1);
    auto* status2 = new QHBoxLayout;
    status2->addWidget(SText2);
    status2->addWidget(lblTotalBytes, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(Progress1);
    layout->addLayout(status1);
    layout->addLayout(status2);
    layout->addLayout(buttons);

    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
}

void TfrmScope::BitBtn2Click() {
    if (m_progressUse)
        m_cancelled = true;
    else
        QDialog::reject();
}

void TfrmScope::reject() {
    // Escape or the close box: in a progress use this is a request to stop, not a close, so the
    // running loop stays in charge of the dialog's lifetime.
    BitBtn2Click();
}

void TfrmScope::centreOnScreen() {
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}

void TfrmScope::setupRange(const QString& caption, qint64 count) {
    m_progressUse = false;
    setWindowTitle(caption);
    GroupBox1->show();
    BitBtn1->show();
    BitBtn2->show();
    edtSelFrom->setText(QStringLiteral("1"));
    edtSelTo->setText(QString::number(count));
    setModal(true);
    centreOnScreen();
}

void TfrmScope::setupProgress(const QString& caption, const QString& status, qint64 maximum,
                              bool cancellable) {
    m_progressUse = true;
    m_cancelled = false;
    setWindowTitle(caption);
    Progress1->show();
    SText1->show();
    SText1->setText(status);
    BitBtn2->setVisible(cancellable);
    m_maximum = std::max<qint64>(maximum, 0);
    m_scale = 1;
    while (m_maximum / m_scale > INT_MAX)
        m_scale *= 2;
    Progress1->setRange(0, static_cast<int>(m_maximum / m_scale));
    Progress1->setValue(0);
    setModal(false);
    centreOnScreen();
}

void TfrmScope::setProgress(qint64 value) {
    value = std::clamp<qint64>(value, 0, m_maximum);
    Progress1->setValue(static_cast<int>(value / m_scale));
}

void TfrmScope::setStatus(const QString& text) {
    SText1->setText(text);
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
    TfrmScope dialog(parent);
    dialog.setupRange(QStringLiteral("Save File"), count);
    if (prompter.runDialog(dialog) != QDialog::Accepted)
        return std::nullopt;
    if (dialog.radAll->isChecked())
        return ScopeRange{1, count};
    const auto range = rangeFromTexts(dialog.edtSelFrom->text(), dialog.edtSelTo->text(), count);
    if (!range) {
        prompter.message(QStringLiteral("invalid integer"));
        if (invalid)
            *invalid = true;
    }
    return range;
}
