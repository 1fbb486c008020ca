#include "glyph_set.h"

#include <QPainter>
#include <QSvgRenderer>

QPixmap renderArtwork(const QString& name, QSize size, qreal dpr) {
    QSvgRenderer renderer(QStringLiteral(":/art/%1.svg").arg(name));
    if (!renderer.isValid())
        return {};
    QPixmap pixmap(size * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

void GlyphSet::load(qreal dpr) {
    m_loaded = 0;
    for (int i = 0; i < kCount; ++i) {
        QPixmap p = renderArtwork(QStringLiteral("LCD%1").arg(i), QSize(30, 52), dpr);
        if (p.isNull())
            return;
        m_glyphs[i] = p;
        m_loaded = i + 1;
    }
}

const QPixmap& GlyphSet::operator[](int index) const {
    static const QPixmap empty;
    return (index >= 0 && index < m_loaded) ? m_glyphs[index] : empty;
}
