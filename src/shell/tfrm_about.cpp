#include "tfrm_about.h"

#include "platform/version_info.h"

#include <QLabel>
#include <QPushButton>

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("TfrmAbout");
    setWindowTitle("About");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
    // 383 x 117 at 120 pixels per inch.
    setFixedSize(306, 94 + 20);

    Label3 = new QLabel("Four Channel Thermometer Software", this);
    QFont title = Label3->font();
    title.setBold(true);
    title.setPointSize(title.pointSize() + 2);
    Label3->setFont(title);
    Label3->setGeometry(12, 10, 282, 24);
    Label3->setAlignment(Qt::AlignCenter);
    Label1 = new QLabel("Version:", this);
    Label1->setGeometry(70, 44, 60, 20);
    Label2 = new QLabel(this);
    Label2->setObjectName("Label2");
    Label2->setGeometry(134, 44, 120, 20);
    BitBtn1 = new QPushButton("OK", this);
    BitBtn1->setGeometry(115, 76, 75, 26);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &TfrmAbout::BitBtn1Click);

    VersionInfo1 = new TVersionInfo(this);
    VersionInfo1->SetFileVersionLabel(Label2);
    VersionInfo1->Loaded();
}
