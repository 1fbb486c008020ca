#pragma once
#include <QPixmap>
#include <QSize>
#include <QString>
#include <array>

// The 25 digit glyphs "LCD0" to "LCD24", rendered once from the program's artwork.
class GlyphSet {
  public:
    static constexpr int kCount = 25;
    // Loads every glyph; stops silently at the first one that cannot be loaded.
    void load(qreal devicePixelRatio = 1.0);
    const QPixmap& operator[](int index) const;
    int loaded() const { return m_loaded; }

  private:
    std::array<QPixmap, kCount> m_glyphs;
    int m_loaded = 0;
};

// Renders one SVG from the resources at a size in device-independent pixels, crisp on high-DPI
// screens. A null pixmap when the artwork is missing.
QPixmap renderArtwork(const QString& name, QSize size, qreal devicePixelRatio = 1.0);
