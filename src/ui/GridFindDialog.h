#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvane {

class DataGrid;

// The grid's find dialog (Ctrl+F): a text, two options and "查找下一个". It stays open beside the grid;
// each search starts after the grid's current cell.
class GridFindDialog : public QDialog {
    Q_OBJECT
public:
    explicit GridFindDialog(DataGrid* grid);

    QLineEdit* textEdit() const { return text_; }
    QCheckBox* matchCaseBox() const { return matchCase_; }
    QCheckBox* wholeCellBox() const { return wholeCell_; }
    QPushButton* findNextButton() const { return findNext_; }
    // Empty after a match, "未找到" with the text after a miss.
    QLabel* statusLabel() const { return status_; }

    // What "查找下一个" does.
    bool findNext();

private:
    DataGrid* grid_;
    QLineEdit* text_;
    QCheckBox* matchCase_;
    QCheckBox* wholeCell_;
    QPushButton* findNext_;
    QLabel* status_;
};

} // namespace quorvane
