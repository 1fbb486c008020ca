#include "panel_window.h"

#include "glyph_set.h"
#include "link/meter_link.h"
#include "live_reading.h"
#include "platform/clock.h"

#include <QAction>
#include <QBitmap>
#include <QCloseEvent>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>

namespace {
constexpr int kNone = -1;

struct DigitPlace {
    const char* name;
    int left, top;
};
constexpr DigitPlace kDigitPlaces[13] = {
    {"ppmD0", 60, 133}, {"ppmD1", 91, 132}, {"ppmD2", 127, 133}, {"ppmD3", 161, 133}, {"ppmD4", 196, 133},
    {"RHD1", 91, 190},  {"RHD2", 126, 190}, {"RHD3", 161, 190},  {"RHD4", 196, 190},  {"T1D1", 94, 251},
    {"T1D2", 128, 251}, {"T1D3", 163, 251}, {"T1D4", 197, 251},
};

QFont arialBold(int px, const char* family = "Arial") {
    QFont f(family);
    f.setPixelSize(px);
    f.setBold(true);
    return f;
}

// The largest pixel size up to `pixels` at which the label's text fits its box: the fonts the
// panel asks for are not on every system, and a wider one would run over the display's edge.
void fitText(QLabel* label, int pixels) {
    QFont f = label->font();
    for (int px = std::max(1, pixels); px >= 1; --px) {
        f.setPixelSize(px);
        const QFontMetrics fm(f);
        if (px == 1 ||
            (fm.horizontalAdvance(label->text()) <= label->width() && fm.height() <= label->height() + 2))
            break;
    }
    label->setFont(f);
}
} // namespace

PanelKey::PanelKey(const QString& name, QRect area, bool handCursor, QWidget* parent) : QLabel(parent) {
    setObjectName(name);
    setGeometry(area);
    if (handCursor)
        setCursor(Qt::PointingHandCursor);
}

void PanelKey::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        emit clicked();
}

void PanelKey::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        emit doubleClicked();
}

PanelWindow::PanelWindow(const LiveReading& reading, const GlyphSet& glyphs, MeterLink& link, Clock& clock,
                         QWidget* parent)
    : QWidget(parent), m_reading(reading), m_glyphs(glyphs), m_link(link), m_clock(clock) {
    setObjectName("PanelWindow");
    setWindowTitle("PANEL");
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* meterPicture = image("meter", QRect(0, 0, 300, 708), true);
    meterPicture->setObjectName("meterPicture");
    meterPicture->setAttribute(Qt::WA_TransparentForMouseEvents); // presses reach the window: drag

    for (int i = 0; i < 13; ++i) {
        auto* d = new QLabel(this);
        d->setObjectName(kDigitPlaces[i].name);
        d->setScaledContents(true);
        d->setAttribute(Qt::WA_TransparentForMouseEvents);
        place(d, QRect(kDigitPlaces[i].left, kDigitPlaces[i].top, 30, 52));
        m_digits[i] = d;
    }
    m_shown.fill(kNone);
    image("point", QRect(190, 234, 5, 7), true)->setObjectName("humidityPoint");
    image("point", QRect(191, 296, 5, 7), true)->setObjectName("temperaturePoint");

    battery3Image = image("bat3", QRect(82, 311, 29, 12), false);
    battery2Image = image("bat2", QRect(82, 311, 29, 12), false);
    battery1Image = image("bat1", QRect(82, 312, 29, 12), false);
    battery0Image = image("bat0", QRect(82, 312, 29, 12), false);
    celsiusImage = image("t1c", QRect(230, 288, 19, 14), true);
    fahrenheitImage = image("t1f", QRect(233, 269, 17, 14), true);
    alarmImage = image("alarm", QRect(108, 96, 47, 12), false);
    highLabel = text("Hi", QRect(157, 92, 20, 19), arialBold(17), false);
    lowLabel = text("Lo", QRect(178, 92, 22, 19), arialBold(17), false);
    holdImage = image("hold", QRect(206, 96, 37, 12), false);
    recImage = image("rec", QRect(181, 115, 30, 11), false);
    fullImage = image("full", QRect(217, 114, 37, 11), false);
    minLabel = text("MIN", QRect(117, 312, 26, 11), arialBold(10), false);
    maxLabel = text("MAX", QRect(148, 312, 31, 11), arialBold(10), false);
    stelImage = image("stel", QRect(141, 114, 37, 13), false);
    twaImage = image("twa", QRect(108, 115, 32, 13), false);
    avgLabel = text("AVG", QRect(509, 378, 30, 11), arialBold(10), false);
    image("co2", QRect(64, 113, 40, 16), true)->setObjectName("co2Image");
    text("ppm", QRect(229, 168, 38, 19), arialBold(17), true)->setObjectName("ppmLabel");
    text("%", QRect(235, 205, 14, 16), arialBold(13, "Arial Black"), true)->setObjectName("percentLabel");
    text("RH", QRect(231, 223, 22, 16), arialBold(13, "Arial Black"), true)->setObjectName("rhLabel");

    QFont ncFont("MS Sans Serif");
    ncFont.setPixelSize(20);
    noConnectionLabel = new QLabel("No Connection", this);
    noConnectionLabel->setObjectName("noConnectionLabel");
    noConnectionLabel->setFont(ncFont);
    noConnectionLabel->setAlignment(Qt::AlignCenter);
    place(noConnectionLabel, QRect(91, 40, 130, 25), {}, 20);
    noConnectionLabel->setStyleSheet("color: red; background: transparent;");
    noConnectionLabel->setAttribute(Qt::WA_TransparentForMouseEvents);

    const QString hint = "click to change AVG/MAX/MIN mode, double click  to cancel .";
    maxMinAvgKey = new PanelKey("maxMinAvgKey", QRect(161, 393, 50, 49), true, this);
    maxMinAvgKey->setToolTip(hint);
    backlightKey = new PanelKey("backlightKey", QRect(94, 393, 50, 44), true, this);
    holdKey = new PanelKey("holdKey", QRect(157, 468, 59, 42), true, this);
    recKey = new PanelKey("recKey", QRect(92, 538, 59, 42), true, this);
    unitKey = new PanelKey("unitKey", QRect(157, 546, 59, 42), true, this);
    setKey = new PanelKey("setKey", QRect(84, 468, 59, 42), false, this);
    connect(maxMinAvgKey, &PanelKey::clicked, this, &PanelWindow::onMaxMinAvgClicked);
    connect(maxMinAvgKey, &PanelKey::doubleClicked, this, &PanelWindow::onMaxMinAvgDoubleClicked);
    connect(backlightKey, &PanelKey::clicked, this, &PanelWindow::onBacklightClicked);
    connect(holdKey, &PanelKey::clicked, this, &PanelWindow::onHoldClicked);
    connect(recKey, &PanelKey::clicked, this, &PanelWindow::onRecClicked);
    connect(unitKey, &PanelKey::clicked, this, &PanelWindow::onUnitClicked);
    connect(setKey, &PanelKey::clicked, this, &PanelWindow::onSetClicked);
    for (PanelKey* key : {maxMinAvgKey, backlightKey, holdKey, recKey, unitKey, setKey})
        place(key, key->geometry());
    applyScale();

    // Without a title bar, the window's system menu is reached by a right click on the picture.
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* minimise = new QAction("Mi&nimize", this);
    connect(minimise, &QAction::triggered, this, [this] { dragTarget()->showMinimized(); });
    auto* closeAction = new QAction("&Close", this);
    connect(closeAction, &QAction::triggered, this, [this] { dragTarget()->close(); });
    addActions({minimise, closeAction});
}

QLabel* PanelWindow::image(const QString& art, QRect rect, bool shown) {
    auto* l = new QLabel(this);
    l->setAttribute(Qt::WA_TransparentForMouseEvents);
    l->setVisible(shown);
    place(l, rect, art);
    return l;
}

QLabel* PanelWindow::text(const QString& caption, QRect rect, const QFont& font, bool shown) {
    auto* l = new QLabel(caption, this);
    l->setFont(font);
    l->setStyleSheet("color: #1b1f1a; background: transparent;");
    l->setAttribute(Qt::WA_TransparentForMouseEvents);
    l->setVisible(shown);
    place(l, rect, {}, font.pixelSize());
    return l;
}

void PanelWindow::place(QWidget* w, QRect base, const QString& art, int fontPixels) {
    m_placed.push_back({w, base, art, fontPixels});
    w->setGeometry(scaled(base));
}

QRect PanelWindow::scaled(QRect base) const {
    const auto at = [this](int v) { return int(std::lround(v * m_scale)); };
    return QRect(QPoint(at(base.left()), at(base.top())),
                 QPoint(at(base.right() + 1) - 1, at(base.bottom() + 1) - 1));
}

void PanelWindow::setPanelScale(double scale) {
    scale = std::clamp(scale, 0.2, 1.0);
    if (scale == m_scale)
        return;
    m_scale = scale;
    applyScale();
}

void PanelWindow::applyScale() {
    setFixedSize(scaled(QRect(0, 0, kWidth, kHeight)).size());
    const qreal dpr = devicePixelRatioF();
    for (const Placed& p : m_placed) {
        const QRect r = scaled(p.base);
        p.widget->setGeometry(r);
        auto* label = qobject_cast<QLabel*>(p.widget);
        if (!label)
            continue;
        if (!p.art.isEmpty())
            label->setPixmap(renderArtwork(p.art, r.size(), dpr));
        if (p.fontPixels > 0)
            fitText(label, int(std::lround(p.fontPixels * m_scale)));
    }
    // Only the meter shows: the window takes the outline of the meter picture.
    const QPixmap outline = renderArtwork("meter", scaled(QRect(0, 0, 300, 708)).size(), 1.0);
    if (!outline.isNull())
        setMask(QRegion(outline.mask()));
}

void PanelWindow::forgetGlyphs() {
    m_shown.fill(kNone);
}

void PanelWindow::setGlyph(int position, int index) {
    if (m_shown[position] == index)
        return;
    m_digits[position]->setPixmap(m_glyphs[index]);
    m_shown[position] = index;
    ++m_replacements;
}

void PanelWindow::refreshPanel() {
    const LiveReading& r = m_reading;
    if (r.batteryLevel) {
        battery3Image->setVisible(*r.batteryLevel == 3);
        battery2Image->setVisible(*r.batteryLevel == 2);
        battery1Image->setVisible(*r.batteryLevel == 1);
        battery0Image->setVisible(*r.batteryLevel == 0);
    }
    celsiusImage->setVisible(!r.fahrenheit);
    fahrenheitImage->setVisible(r.fahrenheit);
    alarmImage->setVisible(r.alarm);
    highLabel->setVisible(r.alarmHigh);
    lowLabel->setVisible(r.alarmLow);
    if (!r.memoryFull) {
        recImage->setVisible(r.recording);
        fullImage->setVisible(false);
    }
    holdImage->setVisible(r.hold);
    if (!r.statsFlashAll) {
        minLabel->setVisible(r.minShown);
        maxLabel->setVisible(r.maxShown);
        stelImage->setVisible(r.stelShown);
        twaImage->setVisible(r.twaShown);
    }
    const PanelDigits d = computePanelDigits(r);
    int pos = 0;
    for (int g : d.ppm)
        setGlyph(pos++, g);
    for (int g : d.humidity)
        setGlyph(pos++, g);
    for (int g : d.temperature)
        setGlyph(pos++, g);
}

void PanelWindow::sendKey(char letter) {
    m_link.runExclusive([this, letter] {
        m_frame.setCommand(letter);
        m_frame[2] = 0x00;
        m_frame[3] = 0x00;
        if (MeterLink::sendPanelCommand(m_link.transport(), m_frame, m_reply) != 0)
            m_clock.pumpWait(300);
    });
}

void PanelWindow::showEvent(QShowEvent* e) {
    forgetGlyphs();
    QWidget::showEvent(e);
}

void PanelWindow::closeEvent(QCloseEvent* e) {
    emit closed();
    QWidget::closeEvent(e);
}

QWidget* PanelWindow::dragTarget() {
    // Inside the multi-document area the frame to move is the sub-window around us.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        return sub;
    return this;
}

void PanelWindow::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_dragOffset = e->globalPosition().toPoint() - dragTarget()->pos();
}

void PanelWindow::mouseMoveEvent(QMouseEvent* e) {
    if (m_dragging && (e->buttons() & Qt::LeftButton))
        dragTarget()->move(e->globalPosition().toPoint() - m_dragOffset);
}

void PanelWindow::mouseReleaseEvent(QMouseEvent*) {
    m_dragging = false;
}

void PanelWindow::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        emit activated();
    QWidget::changeEvent(e);
}
