#include "support/PeakMemory.h"

#include <QByteArray>
#include <QFile>

namespace quorvane::bench {

namespace {

// A "VmHWM:   123456 kB" line of /proc/self/status, in megabytes; 0 when missing.
double statusMegabytes(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

} // namespace

void resetPeakResident() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double peakResidentMegabytes() {
    return statusMegabytes("VmHWM");
}

double residentMegabytes() {
    return statusMegabytes("VmRSS");
}

} // namespace quorvane::bench
