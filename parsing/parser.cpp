// Template-and-mask matching of device answers, one byte at a time.
#include "parsing/parser.h"

Parser::Parser(const QByteArray &templ, const QByteArray &mask) : templ(templ), mask(mask) {}

void Parser::reset()
{
    templPos = 0;
    maskPos = 0;
    prevMask = '1';
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

    const int maskLength = mask.size();
    for (const char c : data) {
        const char m = mask.at(maskPos);
        if (m == 'X') {
            // The terminator is the template byte after the placeholder.
            const int next = maskPos + 1;
            const char terminator = next < templ.size() ? templ.at(next) : '\0';
            if (c == terminator) {
                templPos += 2;
                maskPos += 2;
                prevMask = '1';
                if (maskPos >= maskLength)
                    return complete(out);
                continue;
            }
            if (prevMask == '1')
                values.append(QByteArray());
            if (values.last().size() >= maxValueLength) {
                reset(); // runaway field: no legitimate answer is this long
                continue;
            }
            values.last().append(c);
            prevMask = 'X';
            continue;
        }
        if (m == '0') {
            if (prevMask == '1')
                values.append(QByteArray());
            values.last().append(c);
            prevMask = '0';
            ++templPos;
            ++maskPos;
            if (maskPos >= maskLength)
                return complete(out);
            continue;
        }
        // Literal byte. A template shorter than its mask has no byte to
        // compare with past its end: such a position never matches.
        if (templPos < templ.size() && c == templ.at(templPos)) {
            // Any literal class counts as '1', so the capture that follows
            // starts a new value (and never appends to a missing one).
            prevMask = '1';
            ++templPos;
            ++maskPos;
            if (maskPos >= maskLength)
                return complete(out);
        } else {
            reset();
        }
    }
    return false;
}
