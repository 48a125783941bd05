#include "sites/RecordGrid.h"

#include "sites/RecordModel.h"

#include <QHeaderView>
#include <QItemSelection>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace quorvane {

void RecordDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const bool selected = opt.state.testFlag(QStyle::State_Selected);
    const QColor background = selected ? QColor(Qt::blue) : index.data(Qt::BackgroundRole).value<QColor>();
    const QColor text = selected ? QColor(Qt::white) : QColor(Qt::black);

    painter->save();
    painter->fillRect(opt.rect, background);
    const QVariant check = index.data(Qt::CheckStateRole);
    if (check.isValid()) {
        // A square check box as high as the cell, in its middle.
        const int side = std::max(8, std::min(opt.rect.width(), opt.rect.height()) - 2);
        QStyleOptionButton box;
        box.rect = QRect(0, 0, side, side);
        box.rect.moveCenter(opt.rect.center());
        box.state = QStyle::State_Enabled |
                    (check.value<Qt::CheckState>() == Qt::Checked ? QStyle::State_On : QStyle::State_Off);
        box.palette = opt.palette;
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : nullptr;
        if (style)
            style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, widget);
    } else {
        painter->setPen(text);
        painter->setFont(opt.font);
        const QRect area = opt.rect.adjusted(2, 0, -2, 0);
        const QString shown = opt.fontMetrics.elidedText(opt.text, Qt::ElideRight, area.width());
        painter->drawText(area, static_cast<int>(opt.displayAlignment), shown);
    }
    painter->restore();
}

RecordGrid::RecordGrid(QWidget* parent)
    : QTableView(parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setItemDelegate(new RecordDelegate(this));
    setWordWrap(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(18);
    verticalHeader()->setMinimumWidth(12);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionsClickable(false);
}

void RecordGrid::setRecordModel(RecordModel* model) {
    model_ = model;
    setModel(model);
    for (int c = 0; c < model->columnCount(); ++c)
        setColumnWidth(c, model->column(c).width);
    connect(model, &QAbstractItemModel::modelReset, this, [this] { ++generation_; });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { ++generation_; });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    model_->records().setCurrentRow(current.row());
            });
}

int RecordGrid::fittingWidth(const QString& title, const QStringList& values) const {
    const auto advance = [](const QFont& font, const QString& text) {
        return static_cast<int>(std::ceil(QFontMetricsF(font).horizontalAdvance(text)));
    };
    // A title has the header's margin on each side, a cell's text the delegate's 2 pixels; the column line
    // takes one more.
    const int headerMargin = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, horizontalHeader());
    int width = advance(horizontalHeader()->font(), title) + headerMargin + 1;
    for (const QString& value : values)
        width = std::max(width, advance(font(), value) + 4 + 1);
    return width;
}

void RecordGrid::setElasticColumn(int column) {
    elasticColumn_ = column;
    fitElasticColumn();
}

void RecordGrid::fitElasticColumn() {
    if (!model_ || elasticColumn_ < 0 || elasticColumn_ >= model_->columnCount())
        return;
    int others = 0;
    for (int c = 0; c < model_->columnCount(); ++c)
        if (c != elasticColumn_)
            others += columnWidth(c);
    const int own = model_->column(elasticColumn_).width;
    const int least = std::min(own, fittingWidth(model_->column(elasticColumn_).title));
    const int width = std::clamp(viewport()->width() - others, least, own);
    if (width != columnWidth(elasticColumn_))
        setColumnWidth(elasticColumn_, width);
}

bool RecordGrid::viewportEvent(QEvent* event) {
    // The viewport narrows when the vertical scroll bar appears and widens when it goes.
    if (event->type() == QEvent::Resize)
        fitElasticColumn();
    return QTableView::viewportEvent(event);
}

QList<int> RecordGrid::selectedRows() const {
    QList<int> rows;
    if (!selectionModel())
        return rows;
    const QModelIndexList indexes = selectionModel()->selectedRows();
    for (const QModelIndex& index : indexes)
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void RecordGrid::selectRange(int from, int to, int current) {
    if (!model_)
        return;
    const int first = std::min(from, to);
    const int last = std::max(from, to);
    const QItemSelection range(model_->index(first, 0), model_->index(last, model_->columnCount() - 1));
    selectionModel()->setCurrentIndex(model_->index(current, std::max(0, currentIndex().column())),
                                      QItemSelectionModel::NoUpdate);
    selectionModel()->select(range, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void RecordGrid::selectOnly(int row) {
    if (!model_ || row < 0 || row >= model_->rowCount())
        return;
    const int column = std::max(0, currentIndex().column());
    selectionModel()->setCurrentIndex(model_->index(row, column),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void RecordGrid::mousePressEvent(QMouseEvent* event) {
    // The release ending a double click may have gone elsewhere (the double click disabled the list).
    swallowRelease_ = false;
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid())
        return;
    if (event->modifiers().testFlag(Qt::ControlModifier))
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
    else
        selectionModel()->setCurrentIndex(index,
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void RecordGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (swallowRelease_) {
        swallowRelease_ = false;
        return;
    }
    emit leftReleased(indexAt(event->position().toPoint()), event->modifiers());
}

void RecordGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    // The first click of the pair has made its row current and done its action.
    swallowRelease_ = true;
    emit DoubleClicked(indexAt(event->position().toPoint()));
}

void RecordGrid::mouseMoveEvent(QMouseEvent* event) {
    // No drag selection: rows are chosen by clicks only.
    event->accept();
}

void RecordGrid::wheelEvent(QWheelEvent* event) {
    event->accept();
    const int delta = event->angleDelta().y();
    if (delta == 0 || !model_ || model_->rowCount() == 0)
        return;
    const int current = currentIndex().isValid() ? currentIndex().row() : model_->records().currentRow();
    const int next = std::clamp(current + (delta < 0 ? 1 : -1), 0, model_->rowCount() - 1);
    selectOnly(next);
    scrollTo(model_->index(next, 0));
}

} // namespace quorvane
