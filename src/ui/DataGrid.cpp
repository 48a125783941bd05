#include "ui/DataGrid.h"

#include "ui/GridFindDialog.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <exception>

namespace quorvane {

namespace {

// Room the sort marker takes at the right edge of a title (see GridTitleBar::paintSection).
constexpr int kSortMarkerRoom = 10;

// The width a title's text may take in a section: the header's margin on each side, the column line and,
// in a column that sorts, the sort marker's place.
int titleTextRoom(const QHeaderView* header, int sectionWidth, bool sortable) {
    const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    return sectionWidth - margin - 1 - (sortable ? kSortMarkerRoom : 0);
}

// The width a cell's text may take in a column: the item view's text margin on each side and the column line.
int cellTextRoom(const QTableView* view, int columnWidth) {
    const int margin = 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
    return columnWidth - margin - 1;
}

} // namespace

// The title row: Qt's header, plus the sort markers (several may show at once) and the keys held at the
// last click, which decide how the markers move.
class GridTitleBar : public QHeaderView {
public:
    explicit GridTitleBar(QWidget* parent)
        : QHeaderView(Qt::Horizontal, parent) {}
    Qt::KeyboardModifiers lastModifiers() const { return lastModifiers_; }

protected:
    // A title wider than its section keeps its beginning, which names the column, and ends in an ellipsis
    // (Qt's own elision leaves a centred title cut at both ends).
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        const auto* grid = qobject_cast<const RecordsetModel*>(model());
        const bool sortable =
            grid && logicalIndex < grid->columnCount() && grid->gridColumn(logicalIndex).sortable;
        const int room = titleTextRoom(this, sectionSize(logicalIndex), sortable);
        if (QFontMetricsF(font()).horizontalAdvance(option->text) > room)
            option->text = fontMetrics().elidedText(option->text, Qt::ElideRight, std::max(0, room));
    }
    void mousePressEvent(QMouseEvent* event) override {
        lastModifiers_ = event->modifiers();
        QHeaderView::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        lastModifiers_ = event->modifiers();
        QHeaderView::mouseReleaseEvent(event);
    }
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        painter->save();
        QHeaderView::paintSection(painter, rect, logicalIndex);
        painter->restore();
        if (!model())
            return;
        const auto marker = static_cast<SortMarker>(
            model()->headerData(logicalIndex, Qt::Horizontal, RecordsetModel::SortMarkerRole).toInt());
        if (marker == SortMarker::None)
            return;
        // A small filled triangle at the right edge: pointing up after an ascending sort, down after a
        // descending one.
        const qreal x = rect.right() - 8.5;
        const qreal y = rect.center().y() + 0.5;
        QPolygonF triangle;
        if (marker == SortMarker::Up)
            triangle << QPointF(x, y + 2.5) << QPointF(x + 7, y + 2.5) << QPointF(x + 3.5, y - 2.5);
        else
            triangle << QPointF(x, y - 2.5) << QPointF(x + 7, y - 2.5) << QPointF(x + 3.5, y + 2.5);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(96, 96, 96));
        painter->drawPolygon(triangle);
        painter->restore();
    }

private:
    Qt::KeyboardModifiers lastModifiers_;
};

// The footer row below the rows, drawn to follow the columns' widths, order and horizontal scrolling.
class GridFooter : public QWidget {
public:
    explicit GridFooter(DataGrid* grid)
        : QWidget(grid)
        , grid_(grid) {
        setAutoFillBackground(false);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(grid_->font());
        const QColor lineColour = palette().color(QPalette::Mid);
        const int indicatorWidth =
            grid_->verticalHeader()->isVisible() ? grid_->verticalHeader()->width() : 0;
        painter.fillRect(QRect(0, 0, indicatorWidth, height()), palette().button());
        painter.fillRect(QRect(indicatorWidth, 0, width() - indicatorWidth, height()),
                         DataGrid::footerBackground());
        painter.setPen(lineColour);
        painter.drawLine(0, 0, width(), 0);
        if (indicatorWidth > 0)
            painter.drawLine(indicatorWidth - 1, 0, indicatorWidth - 1, height());

        const RecordsetModel* model = grid_->recordsetModel();
        if (!model)
            return;
        const QHeaderView* header = grid_->horizontalHeader();
        painter.setClipRect(QRect(indicatorWidth, 0, width() - indicatorWidth, height()));
        for (int column = 0; column < model->columnCount(); ++column) {
            if (header->isSectionHidden(column))
                continue;
            const QRect cell(indicatorWidth + header->sectionViewportPosition(column), 0,
                             header->sectionSize(column), height());
            if (cell.right() < indicatorWidth || cell.left() > width())
                continue;
            painter.setPen(lineColour);
            painter.drawLine(cell.right(), 0, cell.right(), height());
            const QString text = grid_->footerText(column);
            if (text.isEmpty())
                continue;
            painter.setPen(Qt::black);
            painter.drawText(cell.adjusted(2, 1, -3, 0),
                             int(model->gridColumn(column).alignment | Qt::AlignVCenter), text);
        }
    }

private:
    DataGrid* grid_;
};

DataGrid::DataGrid(QWidget* parent)
    : QTableView(parent)
    , titleBar_(new GridTitleBar(this))
    , footer_(new GridFooter(this)) {
    setHorizontalHeader(titleBar_);
    setItemDelegate(new GridItemDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setTabKeyNavigation(false);
    setShowGrid(true);
    setWordWrap(false);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    titleBar_->setSectionsClickable(true);
    titleBar_->setSectionsMovable(true);
    titleBar_->setHighlightSections(false);
    titleBar_->setSortIndicatorShown(false);
    titleBar_->setStretchLastSection(false);
    titleBar_->setDefaultAlignment(Qt::AlignCenter);
    titleBar_->setSectionResizeMode(QHeaderView::Interactive);
    titleBar_->setMinimumSectionSize(8);
    setTitleHeight(24);

    // The row indicator: a narrow fixed column; rows have one fixed height, so any number of rows lays
    // out without measuring them.
    QHeaderView* indicator = verticalHeader();
    indicator->setSectionResizeMode(QHeaderView::Fixed);
    indicator->setSectionsClickable(false);
    indicator->setHighlightSections(false);
    indicator->setFixedWidth(12);
    indicator->setDefaultAlignment(Qt::AlignCenter);
    setRowHeight(18);

    // Selected rows are blue with white text, also while the grid does not have the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Highlight, selectedBackground());
    pal.setColor(QPalette::HighlightedText, selectedText());
    setPalette(pal);

    connect(titleBar_, &QHeaderView::sectionClicked, this,
            [this](int column) { clickTitle(column, titleBar_->lastModifiers()); });
    const auto repaintFooter = [this] { footer_->update(); };
    connect(titleBar_, &QHeaderView::sectionResized, footer_, repaintFooter);
    connect(titleBar_, &QHeaderView::sectionMoved, footer_, repaintFooter);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, footer_, repaintFooter);
}

DataGrid::~DataGrid() = default;

RecordsetModel* DataGrid::bind(Recordset& recordset, std::vector<DataGridColumn> columns) {
    Q_ASSERT(!model_);
    model_ = new RecordsetModel(recordset, std::move(columns), this);
    setModel(model_);
    for (int c = 0; c < model_->columnCount(); ++c)
        titleBar_->resizeSection(c, model_->gridColumn(c).width);

    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { followView(current); });
    connect(&recordset, &Recordset::currentRowChanged, this, &DataGrid::followRecordset);
    const auto repaintFooter = [this] { footer_->update(); };
    connect(model_, &QAbstractItemModel::modelReset, footer_, repaintFooter);
    connect(model_, &QAbstractItemModel::rowsRemoved, footer_, repaintFooter);
    connect(model_, &QAbstractItemModel::rowsInserted, footer_, repaintFooter);
    followRecordset(recordset.currentRow());
    return model_;
}

void DataGrid::setTitleHeight(int height) {
    titleBar_->setMinimumHeight(height);
    titleBar_->setMaximumHeight(height);
}

int DataGrid::titleHeight() const {
    return titleBar_->maximumHeight();
}

void DataGrid::setRowHeight(int height) {
    verticalHeader()->setMinimumSectionSize(height);
    verticalHeader()->setDefaultSectionSize(height);
    updateGeometries();
}

void DataGrid::setFooterTextProvider(FooterTextProvider provider) {
    footerText_ = std::move(provider);
    footer_->update();
}

QString DataGrid::footerText(int column) const {
    return footerText_ ? footerText_(column) : QString();
}

void DataGrid::updateFooter() {
    footer_->update();
}

QWidget* DataGrid::footer() const {
    return footer_;
}

void DataGrid::clickTitle(int column, Qt::KeyboardModifiers modifiers) {
    if (!model_ || column < 0 || column >= model_->columnCount() || !model_->gridColumn(column).sortable)
        return;
    Recordset& recordset = model_->recordset();
    if (!recordset.isOpen())
        return;

    // The marker before the click chooses the order.
    const SortMarker before = model_->sortMarker(column);
    const bool descending = before == SortMarker::Up;
    if (before == SortMarker::None)
        model_->setSortMarker(column, SortMarker::Down);
    try {
        recordset.sort(model_->gridColumn(column).field +
                       (descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC")));
    } catch (const std::exception&) {
        // A sort that cannot be applied leaves the rows as they are.
    }

    // Then the markers move on.
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    if (!ctrl)
        for (int c = 0; c < model_->columnCount(); ++c)
            if (c != column)
                model_->setSortMarker(c, SortMarker::None);
    const SortMarker now = model_->sortMarker(column);
    if (now == SortMarker::Down)
        model_->setSortMarker(column, SortMarker::Up);
    else if (now == SortMarker::Up)
        model_->setSortMarker(column, ctrl ? SortMarker::None : SortMarker::Down);
    emit titleClicked(column);
}

int DataGrid::fittingWidth(const QString& title, const QStringList& values, bool sortable) const {
    // Texts are measured in fractions of a pixel and rounded up, so that a text never misses its room by a
    // fraction and gets cut.
    const auto advance = [](const QFont& font, const QString& text) {
        return static_cast<int>(std::ceil(QFontMetricsF(font).horizontalAdvance(text)));
    };
    // The section width at which the title's room is just its text.
    int width = advance(titleBar_->font(), title) - titleTextRoom(titleBar_, 0, sortable);
    for (const QString& value : values)
        width = std::max(width, advance(font(), value) - cellTextRoom(this, 0));
    return width;
}

QString DataGrid::cellToolTip(const QModelIndex& index) const {
    if (!model_ || !index.isValid())
        return {};
    if (cellToolTip_) {
        const QString provided = cellToolTip_(index.row(), index.column());
        if (!provided.isEmpty())
            return provided;
    }
    const QString text = model_->cellText(index.row(), index.column());
    const bool cut =
        QFontMetricsF(font()).horizontalAdvance(text) > cellTextRoom(this, columnWidth(index.column()));
    return cut ? text : QString();
}

bool DataGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        const QString text = cellToolTip(index);
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, viewport(), visualRect(index));
        return true;
    }
    return QTableView::viewportEvent(event);
}

RowColours DataGrid::cellColours(const QModelIndex& index) const {
    if (!model_ || !index.isValid())
        return {};
    if (selectionModel() && selectionModel()->isSelected(index))
        return {selectedBackground(), selectedText()};
    return model_->rowColours(index.row());
}

bool DataGrid::findText(const QString& text, FindOptions options) {
    if (!model_ || text.isEmpty())
        return false;
    const int rows = model_->rowCount();
    std::vector<int> columns; // logical columns in the order they are shown
    for (int visual = 0; visual < titleBar_->count(); ++visual) {
        const int logical = titleBar_->logicalIndex(visual);
        if (!titleBar_->isSectionHidden(logical))
            columns.push_back(logical);
    }
    const auto width = static_cast<qint64>(columns.size());
    const qint64 total = rows * width;
    if (total == 0)
        return false;

    qint64 start = -1; // the cell before the first one searched
    const QModelIndex current = currentIndex();
    if (current.isValid()) {
        const auto visual = std::find(columns.begin(), columns.end(), current.column());
        start = current.row() * width + (visual == columns.end() ? 0 : visual - columns.begin());
    }
    const Qt::CaseSensitivity cs = options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (qint64 step = 1; step <= total; ++step) {
        const qint64 cell = ((start + step) % total + total) % total;
        const int row = static_cast<int>(cell / width);
        const int column = columns[static_cast<size_t>(cell % width)];
        const QString value = model_->cellText(row, column);
        const bool match = options.wholeCell ? value.compare(text, cs) == 0 : value.contains(text, cs);
        if (match) {
            const QModelIndex found = model_->index(row, column);
            setCurrentIndex(found);
            scrollTo(found);
            return true;
        }
    }
    return false;
}

GridFindDialog* DataGrid::findDialog() const {
    return findDialog_;
}

void DataGrid::openFindDialog() {
    if (!findDialog_)
        findDialog_ = new GridFindDialog(this);
    findDialog_->show();
    findDialog_->raise();
    findDialog_->activateWindow();
    findDialog_->textEdit()->setFocus();
    findDialog_->textEdit()->selectAll();
}

void DataGrid::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Find)) {
        openFindDialog();
        event->accept();
        return;
    }
    // Typed characters never reach the cells or the keyboard search.
    const QString text = event->text();
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!command && !text.isEmpty() && text.front().isPrint()) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void DataGrid::keyboardSearch(const QString&) {}

void DataGrid::focusInEvent(QFocusEvent* event) {
    // Qt moves a cursor that has no selection to the next cell when the view gains the focus; the grid's
    // cursor is the recordset's, so it stays where it is.
    const QModelIndex before = currentIndex();
    viewDrivesRecordset_ = false;
    QTableView::focusInEvent(event);
    if (before.isValid() && currentIndex() != before)
        selectionModel()->setCurrentIndex(before, QItemSelectionModel::NoUpdate);
    viewDrivesRecordset_ = true;
}

void DataGrid::contextMenuEvent(QContextMenuEvent* event) {
    if (popupMenu_) {
        popupMenu_->popup(event->globalPos());
        event->accept();
        return;
    }
    QTableView::contextMenuEvent(event);
}

void DataGrid::updateGeometries() {
    QTableView::updateGeometries();
    // The footer takes a row's height between the rows and the horizontal scroll bar.
    const int footerHeight = verticalHeader()->defaultSectionSize();
    const QMargins margins = viewportMargins();
    if (margins.bottom() != footerHeight)
        setViewportMargins(margins.left(), margins.top(), margins.right(), footerHeight);
    const QRect area = viewport()->geometry();
    const int left = viewportMargins().left();
    footer_->setGeometry(area.left() - left, area.bottom() + 1, area.width() + left, footerHeight);
    footer_->update();
}

void DataGrid::followRecordset(int row) {
    if (!model_ || row < 0 || row >= model_->rowCount())
        return;
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.row() == row)
        return;
    const int column = current.isValid() ? current.column() : std::max(0, titleBar_->logicalIndex(0));
    const QModelIndex target = model_->index(row, column);
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
    scrollTo(target);
}

void DataGrid::followView(const QModelIndex& current) {
    if (!viewDrivesRecordset_ || !model_ || !current.isValid())
        return;
    Recordset& recordset = model_->recordset();
    if (current.row() != recordset.currentRow())
        recordset.setCurrentRow(current.row());
}

GridItemDelegate::GridItemDelegate(DataGrid* grid)
    : QStyledItemDelegate(grid)
    , grid_(grid) {}

void GridItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const RowColours colours = grid_->cellColours(index);
    if (colours.background.isValid()) {
        option->backgroundBrush = colours.background;
        option->palette.setColor(QPalette::Highlight, colours.background);
    }
    if (colours.text.isValid()) {
        option->palette.setColor(QPalette::Text, colours.text);
        option->palette.setColor(QPalette::HighlightedText, colours.text);
    }
}

} // namespace quorvane
