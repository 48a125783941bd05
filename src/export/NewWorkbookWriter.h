#pragma once

#include "export/SheetOutput.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <memory>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace quorvane {

// A new workbook built with libxlsxwriter in its constant-memory mode: each row goes to the library's
// temporary file as it is written, in a folder of its own. The library does not check its writes to
// that file, so finish() reads the package it made back and refuses it unless every row is there.
class NewWorkbookWriter : public SheetOutput {
public:
    NewWorkbookWriter();
    ~NewWorkbookWriter() override;

    void writeRow(int row, const SheetModel& sheet) override;
    QByteArray finish(const SheetModel& sheet) override;

private:
    lxw_worksheet* worksheet(const SheetModel& sheet);
    lxw_format* format(const SheetModel& sheet, std::uint32_t styleId);

    QTemporaryDir folder_;
    QByteArray path_;
    QByteArray tmpdir_;
    lxw_workbook* book_ = nullptr; // closed by finish() or the destructor
    lxw_worksheet* sheet_ = nullptr;
    std::vector<lxw_format*> formats_; // by style id; the workbook owns them
    int rowsWithCells_ = 0;            // rows the library was given a cell of
};

} // namespace quorvane
