// Request framing of the virtual device.
#include "framer.h"

namespace vdev {

bool Framer::isPayloadLine(const QByteArray &line)
{
    if (line == "gs 1")
        return true;
    // "cc " + name + " 0" or "cc s 1"; "cc" alone is the plain copy request.
    return line.size() >= 6 && line.startsWith("cc ") &&
           (line.endsWith(" 0") || line.endsWith(" 1"));
}

bool Framer::next(Request *request)
{
    const int cr = buffer.indexOf('\r');
    if (cr < 0) {
        if (buffer.size() > kMaxRequestBytes) {
            *request = abandon(QStringLiteral("no CR within %1 bytes").arg(kMaxRequestBytes));
            return true;
        }
        return false;
    }
    if (cr + 1 >= buffer.size())
        return false; // the byte after CR decides between the two framings
    Request r;
    r.line = buffer.left(cr);
    if (buffer.at(cr + 1) == '\n') {
        r.raw = buffer.left(cr + 2);
        if (isPayloadLine(r.line))
            r.framingError = QStringLiteral("payload command ended in CR LF without a payload");
    } else if (isPayloadLine(r.line)) {
        const int end = buffer.indexOf('\r', cr + 1);
        if (end < 0) {
            if (buffer.size() > kMaxRequestBytes) {
                *request =
                    abandon(QStringLiteral("payload longer than %1 bytes").arg(kMaxRequestBytes));
                return true;
            }
            return false;
        }
        r.raw = buffer.left(end + 1);
        r.payload = buffer.mid(cr + 1, end - cr - 1);
        r.payloadCommand = true;
    } else {
        r.raw = buffer.left(cr + 1);
        r.framingError = QStringLiteral("request ends in CR without LF");
    }
    buffer.remove(0, r.raw.size());
    *request = r;
    return true;
}

Request Framer::abandon(const QString &reason)
{
    Request r;
    r.raw = buffer;
    const int cr = buffer.indexOf('\r');
    r.line = cr < 0 ? buffer : buffer.left(cr);
    r.framingError = reason;
    buffer.clear();
    return r;
}

} // namespace vdev
