// Template-and-mask matching of device answers, one byte at a time.
#include "parsing/parser.h"

#include <cstring>

Parser::Parser(const QByteArray &templ, const QByteArray &mask) : templ(templ), mask(mask) {}

void Parser::reset()
{
    templPos = 0;
    maskPos = 0;
    prevMask = '1';
    if (!values.isEmpty())
        values.clear();
}

bool Parser::complete(QList<QByteArray> *out)
{
    if (out)
        *out = values;
    reset();
    return true;
}

bool Parser::parse(const QByteArray &data, QList<QByteArray> *out)
{
    if (data.isEmpty() || mask.isEmpty())
        return false;

    // Byte by byte in effect; runs of field content and idle stretches are
    // taken in one step each, since every reader sees every chunk.
    const char *const bytes = data.constData();
    const int size = data.size();
    const char *const t = templ.constData();
    const int templLength = templ.size();
    const char *const mk = mask.constData();
    const int maskLength = mask.size();

    int i = 0;
    while (i < size) {
        const char m = mk[maskPos];
        if (m == 'X') {
            // Field content runs up to the terminator: the template byte
            // after the placeholder, or NUL past the template's end.
            const int next = maskPos + 1;
            const char terminator = next < templLength ? t[next] : '\0';
            const void *found = std::memchr(bytes + i, terminator, size_t(size - i));
            const int end = found ? int(static_cast<const char *>(found) - bytes) : size;
            if (end > i) {
                if (prevMask == '1')
                    values.append(QByteArray());
                QByteArray &value = values.last();
                const int room = maxValueLength - value.size();
                if (end - i > room) {
                    // Runaway field: no legitimate answer is this long. The
                    // byte past the cap is dropped like a mismatching one.
                    i += room + 1;
                    reset();
                    continue;
                }
                value.append(bytes + i, end - i);
                prevMask = 'X';
                i = end;
                if (!found)
                    break;
            }
            ++i; // the terminator belongs to the field step
            templPos += 2;
            maskPos += 2;
            prevMask = '1';
            if (maskPos >= maskLength)
                return complete(out);
            continue;
        }
        if (m == '0') {
            // A capture run takes as many bytes as it has positions left.
            int run = 1;
            while (run < size - i && maskPos + run < maskLength && mk[maskPos + run] == '0')
                ++run;
            if (prevMask == '1')
                values.append(QByteArray());
            values.last().append(bytes + i, run);
            prevMask = '0';
            i += run;
            templPos += run;
            maskPos += run;
            if (maskPos >= maskLength)
                return complete(out);
            continue;
        }
        // Literal byte. While idle, bytes that cannot start the form are
        // mismatches that change nothing: skip to the next candidate.
        if (maskPos == 0) {
            const void *candidate =
                templLength > 0 ? std::memchr(bytes + i, t[0], size_t(size - i)) : nullptr;
            if (!candidate)
                break;
            i = int(static_cast<const char *>(candidate) - bytes);
        }
        // A template shorter than its mask has no byte to compare with past
        // its end: such a position never matches.
        if (templPos < templLength && bytes[i] == t[templPos]) {
            // Any literal class counts as '1', so the capture that follows
            // starts a new value (and never appends to a missing one).
            prevMask = '1';
            ++templPos;
            ++maskPos;
            ++i;
            if (maskPos >= maskLength)
                return complete(out);
        } else {
            reset(); // the mismatching byte is not compared again
            ++i;
        }
    }
    return false;
}
