#pragma once

#include "export/WorkbookError.h"

#include <QString>

namespace quorvane {

// The kind of an errno value of a failed file operation.
FileFailure fileFailureOf(int error);
// The reason of an errno value in plain words for the user: "磁盘空间不足", "没有访问权限", ...
QString plainFileReason(int error);
// "“/home/me/a.xls”": a path as messages show it.
QString quotedPath(const QString& path);

// A WorkbookError "<action>“<path>”：<reason>。" of the given errno value, e.g.
// 无法保存文件“a.xls”：磁盘空间不足。
WorkbookError fileError(const QString& action, const QString& path, int error);

} // namespace quorvane
