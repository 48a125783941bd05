#include "ui/GridFindDialog.h"

#include "ui/DataGrid.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quorvane {

GridFindDialog::GridFindDialog(DataGrid* grid)
    : QDialog(grid)
    , grid_(grid)
    , text_(new QLineEdit(this))
    , matchCase_(new QCheckBox(QStringLiteral("区分大小写"), this))
    , wholeCell_(new QCheckBox(QStringLiteral("整个单元格匹配"), this))
    , findNext_(new QPushButton(QStringLiteral("查找下一个"), this))
    , status_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("查找"));
    setModal(false);
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    findNext_->setDefault(true);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("查找内容:"), this), 0, 0);
    layout->addWidget(text_, 0, 1);
    layout->addWidget(findNext_, 0, 2);
    layout->addWidget(matchCase_, 1, 1);
    layout->addWidget(close, 1, 2);
    layout->addWidget(wholeCell_, 2, 1);
    layout->addWidget(status_, 3, 0, 1, 3);

    connect(findNext_, &QPushButton::clicked, this, &GridFindDialog::findNext);
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
}

bool GridFindDialog::findNext() {
    const QString text = text_->text();
    if (text.isEmpty())
        return false;
    const bool found = grid_->findText(text, {matchCase_->isChecked(), wholeCell_->isChecked()});
    status_->setText(found ? QString() : QStringLiteral("未找到\"") + text + u'"');
    return found;
}

} // namespace quorvane
