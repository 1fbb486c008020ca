#include "shell/help_window.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

HelpWindow::HelpWindow(const QString& helpFile, QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("QZ407 Help"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* bar = new QHBoxLayout;
    const auto button = [&](const QString& name, QStyle::StandardPixmap icon, const QString& tip) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(tip);
        b->setAutoRaise(true);
        bar->addWidget(b);
        return b;
    };
    m_back = button(QStringLiteral("back"), QStyle::SP_ArrowBack, QStringLiteral("Back"));
    m_forward = button(QStringLiteral("forward"), QStyle::SP_ArrowForward, QStringLiteral("Forward"));
    m_home = button(QStringLiteral("home"), QStyle::SP_DirHomeIcon, QStringLiteral("Contents"));
    bar->addStretch(1);
    layout->addLayout(bar);

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenExternalLinks(true);
    layout->addWidget(m_browser, 1);
    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_home, &QToolButton::clicked, m_browser, &QTextBrowser::home);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QToolButton::setEnabled);
    m_back->setEnabled(false);
    m_forward->setEnabled(false);

    m_loaded = QFileInfo(helpFile).isReadable();
    if (m_loaded)
        m_browser->setSource(QUrl::fromLocalFile(helpFile));
    else
        m_browser->setPlainText(
            QStringLiteral("The help file %1 cannot be read.").arg(QDir::toNativeSeparators(helpFile)));

    // Wide enough for the help's tables, tall enough to read a section at once.
    const int em = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    resize(60 * em, 45 * fontMetrics().height());
}
