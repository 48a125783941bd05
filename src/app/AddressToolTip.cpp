#include "app/AddressToolTip.h"

#include "engine/UrlMatch.h"
#include "ui/RecordsetModel.h"

namespace quorvane {

DataGrid::CellToolTipProvider addressToolTip(const Recordset& missions, const DataGrid& grid) {
    return [&missions, &grid](const QModelIndex& index) -> QString {
        const int row = index.row();
        const RecordsetModel* model = grid.recordsetModel();
        if (!model || !index.isValid() || model->gridColumn(index.column()).field != u"UrlName" ||
            !missions.isOpen())
            return grid.cutCellText(index);
        const int address = missions.fieldIndex(u"UrlName");
        if (address < 0 || row < 0 || row >= missions.recordCount())
            return QString();
        const QString site = missions.value(row, address).toString();
        if (site.isEmpty())
            return QString();
        const int rule = missions.fieldIndex(u"MatchRule");
        const SiteMatch match = rule >= 0 ? siteMatchOfStored(missions.value(row, rule)) : SiteMatch::Address;
        return site + QStringLiteral("\n匹配方式: ") + siteMatchLabel(match);
    };
}

} // namespace quorvane
