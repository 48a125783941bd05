#pragma once

#include <QSplitter>

#include <functional>

namespace quorvane {

// A splitter of two panes that keeps the first pane's share of its length as that length changes, within two
// bounds: the second pane keeps the length it needs (while the first keeps its least length, from its
// minimum size), and the first pane does not go below the length it needs while the second's need leaves
// room for it. Lengths set by setFirstLength or by dragging the handle give the share kept from then on.
class SharingSplitter : public QSplitter {
    Q_OBJECT
public:
    explicit SharingSplitter(Qt::Orientation orientation, QWidget* parent = nullptr);

    // The length each pane needs to show its content whole; unset: 0.
    std::function<int()> firstNeeds;
    std::function<int()> secondNeeds;

    // What the two panes need and the least the first pane takes, whatever the second needs.
    struct Needs {
        int first = 0;
        int second = 0;
        int firstLeast = 0;
    };
    // The first pane's length for its share of `total` (both panes), within the bounds above.
    static int firstLength(double share, int total, const Needs& needs);

    // Gives the first pane the wished length, within the bounds, and the second the rest; the share they
    // then have is kept.
    void setFirstLength(int wished);
    double share() const { return share_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Needs needs() const;
    int total() const;
    void apply();

    double share_ = 0.5;
};

} // namespace quorvane
