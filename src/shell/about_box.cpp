#include "about_box.h"

#include "platform/version_info.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle("About");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);

    // Title on top, the version below it, OK at the bottom, all centred.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(10);
    titleLabel = new QLabel("Four Channel Thermometer Software", this);
    QFont title = titleLabel->font();
    title.setBold(true);
    title.setPointSize(title.pointSize() + 2);
    titleLabel->setFont(title);
    titleLabel->setAlignment(Qt::AlignCenter);
    layout->addWidget(titleLabel);

    auto* version = new QHBoxLayout;
    versionCaption = new QLabel("Version:", this);
    versionLabel = new QLabel(this);
    versionLabel->setObjectName("versionLabel");
    version->addStretch(1);
    version->addWidget(versionCaption);
    version->addWidget(versionLabel);
    version->addStretch(1);
    layout->addLayout(version);

    okButton = new QPushButton("OK", this);
    okButton->setDefault(true);
    layout->addWidget(okButton, 0, Qt::AlignHCenter);
    connect(okButton, &QPushButton::clicked, this, &AboutBox::onOkClicked);

    versionInfo = new VersionInfo(this);
    versionInfo->setFileVersionLabel(versionLabel);
    versionInfo->loaded();

    // 383 x 117 at 120 pixels per inch, or larger where the texts need it with this font.
    setFixedSize(sizeHint().expandedTo(QSize(306, 94 + 20)));
}
