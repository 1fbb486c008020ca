#pragma once
#include "link/command_frame.h"
#include "panel_digits.h"

#include <QLabel>
#include <QPoint>
#include <QWidget>
#include <array>
#include <vector>

class Clock;
class GlyphSet;
class MeterLink;
struct LiveReading;

// One of the meter's keys: an invisible click area over the meter picture.
class PanelKey : public QLabel {
    Q_OBJECT
  public:
    PanelKey(const QString& name, QRect area, bool handCursor, QWidget* parent);

  signals:
    void clicked();
    void doubleClicked();

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
};

// The drawn meter: picture, digit glyphs, annunciators and keys. Only the meter's own shape shows:
// the window is masked to the picture's outline. All places are given at the picture's own size
// (scale 1); a smaller main window shows the whole panel at a smaller scale.
class PanelWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = 301;
    static constexpr int kHeight = 713;

    PanelWindow(const LiveReading& reading, const GlyphSet& glyphs, MeterLink& link, Clock& clock,
                QWidget* parent = nullptr);

    // Draws the panel at `scale` (at most 1) of its own size: pictures, digits, texts and keys.
    void setPanelScale(double scale);
    double panelScale() const { return m_scale; }
    // A place on the picture at scale 1 in the panel's pixels at the current scale.
    QRect scaled(QRect base) const;

    // Shows the last decoded reading; replaces only the glyphs that changed.
    void refreshPanel();
    // Every position forgets its glyph so the next reading redraws all 13 digits.
    void forgetGlyphs();

    QLabel* noConnectionLabel = nullptr;
    QLabel *battery0Image = nullptr, *battery1Image = nullptr, *battery2Image = nullptr,
           *battery3Image = nullptr;
    QLabel *celsiusImage = nullptr, *fahrenheitImage = nullptr, *alarmImage = nullptr, *highLabel = nullptr,
           *lowLabel = nullptr;
    QLabel *holdImage = nullptr, *recImage = nullptr, *fullImage = nullptr;
    QLabel *minLabel = nullptr, *maxLabel = nullptr, *avgLabel = nullptr, *stelImage = nullptr,
           *twaImage = nullptr;
    PanelKey *maxMinAvgKey = nullptr, *backlightKey = nullptr, *holdKey = nullptr, *recKey = nullptr,
             *unitKey = nullptr, *setKey = nullptr;

    // The 13 digit images: ppmD0-4, RHD1-4, T1D1-4.
    QLabel* digitImage(int position) const { return m_digits[position]; }
    int shownGlyph(int position) const { return m_shown[position]; }
    // How many digit images were replaced since construction.
    int glyphReplacements() const { return m_replacements; }
    const CommandFrame& keyFrame() const { return m_frame; }

    // Key handlers: send the key's letter to the meter.
    void onMaxMinAvgClicked() { sendKey('M'); }
    void onMaxMinAvgDoubleClicked() { sendKey('N'); }
    void onBacklightClicked() { sendKey('B'); }
    void onHoldClicked() { sendKey('H'); }
    void onRecClicked() { sendKey('E'); }
    void onUnitClicked() { sendKey('C'); }
    void onSetClicked() {}

  signals:
    void activated();
    void closed();

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void changeEvent(QEvent* e) override;

  private:
    // Where each piece of the panel sits at scale 1; art names a picture, fontPixels a text size.
    struct Placed {
        QWidget* widget;
        QRect base;
        QString art;
        int fontPixels = 0;
    };
    QLabel* image(const QString& art, QRect rect, bool shown);
    QLabel* text(const QString& caption, QRect rect, const QFont& font, bool shown);
    void place(QWidget* w, QRect base, const QString& art = {}, int fontPixels = 0);
    void applyScale();
    void setGlyph(int position, int index);
    void sendKey(char letter);
    QWidget* dragTarget();

    const LiveReading& m_reading;
    const GlyphSet& m_glyphs;
    MeterLink& m_link;
    Clock& m_clock;
    CommandFrame m_frame;
    std::array<uint8_t, 32> m_reply{};
    std::array<QLabel*, 13> m_digits{};
    std::array<int, 13> m_shown{};
    int m_replacements = 0;
    bool m_dragging = false;
    QPoint m_dragOffset;
    std::vector<Placed> m_placed;
    double m_scale = 1.0;
};
