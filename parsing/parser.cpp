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
    Input in{data.constData(), data.size(), 0};
    while (in.at < in.size) {
        const char m = mask.constData()[maskPos];
        const Step step = m == 'X' ? fieldStep(in) : m == '0' ? captureStep(in) : literalStep(in);
        if (step == Step::Complete)
            return complete(out);
        if (step == Step::OutOfBytes)
            break;
    }
    return false;
}

Parser::Step Parser::advance(int positions)
{
    templPos += positions;
    maskPos += positions;
    return maskPos >= mask.size() ? Step::Complete : Step::More;
}

// A variable-length field: content runs up to the terminator, the template
// byte after the placeholder (NUL past the template's end).
Parser::Step Parser::fieldStep(Input &in)
{
    const int next = maskPos + 1;
    const char terminator = next < templ.size() ? templ.constData()[next] : '\0';
    const void *found = std::memchr(in.bytes + in.at, terminator, size_t(in.size - in.at));
    const int end = found ? int(static_cast<const char *>(found) - in.bytes) : in.size;
    if (end > in.at) {
        if (prevMask == '1')
            values.append(QByteArray());
        QByteArray &value = values.last();
        const int room = maxValueLength - value.size();
        if (end - in.at > room) {
            // Runaway field: no legitimate answer is this long. The byte
            // past the cap is dropped like a mismatching one.
            in.at += room + 1;
            reset();
            return Step::More;
        }
        value.append(in.bytes + in.at, end - in.at);
        prevMask = 'X';
        in.at = end;
        if (!found)
            return Step::OutOfBytes;
    }
    ++in.at; // the terminator belongs to the field step
    prevMask = '1';
    return advance(2);
}

// A capture run takes as many bytes as it has positions left.
Parser::Step Parser::captureStep(Input &in)
{
    const char *const mk = mask.constData();
    int run = 1;
    while (run < in.size - in.at && maskPos + run < mask.size() && mk[maskPos + run] == '0')
        ++run;
    if (prevMask == '1')
        values.append(QByteArray());
    values.last().append(in.bytes + in.at, run);
    prevMask = '0';
    in.at += run;
    return advance(run);
}

Parser::Step Parser::literalStep(Input &in)
{
    const char *const t = templ.constData();
    // While idle, bytes that cannot start the form are mismatches that
    // change nothing: skip to the next candidate.
    if (maskPos == 0) {
        const void *candidate = templ.isEmpty()
                                    ? nullptr
                                    : std::memchr(in.bytes + in.at, t[0], size_t(in.size - in.at));
        if (!candidate)
            return Step::OutOfBytes;
        in.at = int(static_cast<const char *>(candidate) - in.bytes);
    }
    // A template shorter than its mask has no byte to compare with past its
    // end: such a position never matches.
    if (templPos < templ.size() && in.bytes[in.at] == t[templPos]) {
        // Any literal class counts as '1', so the capture that follows starts
        // a new value (and never appends to a missing one).
        prevMask = '1';
        ++in.at;
        return advance(1);
    }
    reset(); // the mismatching byte is not compared again
    ++in.at;
    return Step::More;
}
