// Parser: recognises one answer form of the device from a template and a mask.
// Mask characters: '0' captures one byte, 'X' captures a variable-length field
// ended by the next template byte, anything else is a literal byte. A partial
// match survives across calls, so answers split over several reads are found.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>

class Parser : public QObject {
public:
    // Longest value one field may capture. A legitimate value (an impulse
    // image as hexadecimal text) stays under 70 kB; a device that streams
    // without ever sending the terminator is treated as a mismatch past this.
    static constexpr int maxValueLength = 1024 * 1024;

    Parser(const QByteArray &templ, const QByteArray &mask);

    // Feeds one received piece. Returns true when the form completed during
    // this call; *out then holds the captured values (replacing its contents).
    bool parse(const QByteArray &data, QList<QByteArray> *out);
    void reset();

    // Read-only views for diagnostics and tests.
    const QByteArray &templateBytes() const { return templ; }
    const QByteArray &maskBytes() const { return mask; }
    bool isIdle() const { return maskPos == 0 && values.isEmpty(); }
    const QList<QByteArray> &partialValues() const { return values; }

private:
    // One step of parse: what it leaves to do next.
    enum class Step { More, Complete, OutOfBytes };
    struct Input {
        const char *bytes;
        int size;
        int at; // next byte to take
    };
    Step fieldStep(Input &in);
    Step captureStep(Input &in);
    Step literalStep(Input &in);
    Step advance(int positions); // moves both positions; Complete at the mask's end
    bool complete(QList<QByteArray> *out);

    QList<QByteArray> values;
    QByteArray templ;
    QByteArray mask;
    quint16 templPos = 0;
    quint16 maskPos = 0;
    char prevMask = '1';
};
