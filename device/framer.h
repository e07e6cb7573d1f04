// Cuts the byte stream from the program into requests. A plain request ends
// in CR LF. The payload commands "gs 1", "cc s 1" and "cc NAME 0" end their
// first line in a lone CR, then carry hex text up to a second CR. Bytes may
// arrive in any pieces; a request is handed out once its last byte is in.
#pragma once

#include <QByteArray>
#include <QString>

namespace vdev {

struct Request {
    QByteArray raw;     // every byte of the request as received
    QByteArray line;    // the text before the first CR
    QByteArray payload; // payload commands: the text between the two CRs
    bool payloadCommand = false;
    QString framingError; // non-empty: the bytes do not form a request
};

class Framer {
public:
    // Longest request the device buffers (a full impulse store with a long
    // name is about 64 kB); anything longer is thrown away as one error.
    static constexpr int kMaxRequestBytes = 70000;

    void feed(const QByteArray &bytes) { buffer.append(bytes); }
    // Takes the next complete request (or framing error) off the buffer.
    bool next(Request *request);
    bool hasPartial() const { return !buffer.isEmpty(); }
    // Bytes of the request not complete yet (after next() has returned false).
    int partialSize() const { return buffer.size(); }
    // Gives up on an incomplete request: its bytes become one framing error.
    Request abandon(const QString &reason);

    // "gs 1", "cc s 1", "cc NAME 0": a first line that a payload follows.
    static bool isPayloadLine(const QByteArray &line);

private:
    QByteArray buffer;
};

} // namespace vdev
