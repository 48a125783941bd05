#pragma once

#include <QLayout>
#include <QList>

namespace quorvane {

// A row of controls from the left, each at its preferred width, that goes on in a further line when the
// width runs out, so that every control stays whole in a narrow window. One line is lineHeight high (the
// controls centred in it); wrapped lines are wrappedLineHeight high each.
class WrappingRowLayout final : public QLayout {
public:
    WrappingRowLayout(QWidget* parent, int lineHeight, int wrappedLineHeight);
    ~WrappingRowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    Qt::Orientations expandingDirections() const override { return {}; }
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

    // The number of lines the controls take at this width of the layout's area.
    int lineCount(int width) const;

private:
    // Lays the items out in `rect` (when place is true) and returns the lines they take.
    int arrange(const QRect& rect, bool place) const;
    int heightForLines(int lines) const;

    QList<QLayoutItem*> items_;
    int lineHeight_;
    int wrappedLineHeight_;
};

} // namespace quorvane
