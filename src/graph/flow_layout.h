#pragma once
// A layout that places its widgets in a row, left to right, and starts a new row when the width
// runs out: a tool bar that wraps instead of cutting its buttons off on a narrow window.
#include <QLayout>
#include <QList>

class FlowLayout : public QLayout {
  public:
    explicit FlowLayout(QWidget* parent = nullptr, int spacing = 4);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(m_items.size()); }
    QLayoutItem* itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return arrange(QRect(0, 0, width, 0), false); }
    // One row holding every item.
    QSize sizeHint() const override;
    // The widest item: anything narrower than that cannot be shown.
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

  private:
    // Places the items inside `rect` (when `apply`) and returns the height they take.
    int arrange(const QRect& rect, bool apply) const;

    QList<QLayoutItem*> m_items;
};
