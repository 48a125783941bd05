#pragma once

#include "export/ChartValues.h"
#include "export/ScratchFile.h"
#include "export/SheetOutput.h"
#include "export/TemplatePackage.h"
#include "export/TemplateSheet.h"
#include "export/TemplateStyles.h"

#include <memory>

namespace quorvane {

// A copy of a template filled as the sheet's rows are final: the rows go out through a
// TemplateSheetWriter as they come, the styles and the other parts are completed at finish().
class TemplateFill : public SheetOutput {
public:
    // Reads and checks the template; throws WorkbookError as TemplatePackage::read does.
    explicit TemplateFill(const QString& templatePath);
    ~TemplateFill() override;

    // The first sheet's name in the template.
    const QString& sheetName() const { return package_.sheetName(); }

    void writeRow(int row, const SheetModel& sheet) override;
    QByteArray finish(const SheetModel& sheet) override;

private:
    TemplatePackage package_;
    std::unique_ptr<pugi::xml_document> styles_;
    TemplateStyles templateStyles_;
    ChartValues chartValues_;
    TemplateSheetWriter sheet_;
};

} // namespace quorvane
