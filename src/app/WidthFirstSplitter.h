#pragma once

#include <QSplitter>

#include <functional>

namespace quorvane {

// A side-by-side splitter whose first pane takes the width the splitter gains until it has the width it
// wants; only the rest goes to the second pane. When the splitter narrows, the second pane gives up its
// width first, down to what it needs, then the first. Widths set by setSizes or by dragging the handle stand
// until the next change of the splitter's own width.
class WidthFirstSplitter : public QSplitter {
    Q_OBJECT
public:
    explicit WidthFirstSplitter(QWidget* parent = nullptr);

    // The width the first pane wants, and the least width the second pane needs; unset: 0.
    std::function<int()> firstWants;
    std::function<int()> secondNeeds;

    // The two panes' widths after the splitter went from the widths `before` to `total` in all.
    static QList<int> shared(const QList<int>& before, int total, int firstWants, int secondNeeds);

protected:
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace quorvane
