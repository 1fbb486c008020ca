#include "tfrm_about.h"

#include "platform/version_info.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("TfrmAbout");
    setWindowTitle("About");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);

    // Title on top, the version below it, OK at the bottom, all centred.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(10);
    Label3 = new QLabel("Four Channel Thermometer Software", this);
    QFont title = Label3->font();
    title.setBold(true);
    title.setPointSize(title.pointSize() + 2);
    Label3->setFont(title);
    Label3->setAlignment(Qt::AlignCenter);
    layout->addWidget(Label3);

    auto* version = new QHBoxLayout;
    Label1 = new QLabel("Version:", this);
    Label2 = new QLabel(this);
    Label2->setObjectName("Label2");
    version->addStretch(1);
    version->addWidget(Label1);
    version->addWidget(Label2);
    version->addStretch(1);
    layout->addLayout(version);

    BitBtn1 = new QPushButton("OK", this);
    BitBtn1->setDefault(true);
    layout->addWidget(BitBtn1, 0, Qt::AlignHCenter);
    connect(BitBtn1, &QPushButton::clicked, this, &TfrmAbout::BitBtn1Click);

    VersionInfo1 = new TVersionInfo(this);
    VersionInfo1->SetFileVersionLabel(Label2);
    VersionInfo1->Loaded();

    // 383 x 117 at 120 pixels per inch, or larger where the texts need it with this font.
    setFixedSize(sizeHint().expandedTo(QSize(306, 94 + 20)));
}
