// KeptBlocks: the status blocks the panel keeps aside from the device, and
// when each is valid.
//
// - Compare keeps the edited preset's block while the stored preset is on
//   show. It is valid only for the preset and the compare press that read
//   it: a first press, a move, a revert, a save and a new connection forget
//   it.
// - Copy keeps a preset's block and its impulse (the file it had loaded, or
//   the impulse the device reported). A copy is whole only once both of its
//   answers have come; a copy whose requests were dropped, or whose impulse
//   answer came without its image, did not finish.
//
// The session hands every status block and every awaited impulse answer
// here, and tells when the link's queue was emptied, so that a copy whose
// requests went with it takes nothing that answers another.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class KeptBlocks {
public:
    // ---- compare --------------------------------------------------------
    // A first compare press: forget any block kept before; the next block
    // read while the stored preset is on show is the edited one.
    void startCompare();
    // The edited block the compare press on show kept; empty when none.
    QByteArray compared() const;
    void forgetCompared();

    // ---- copy -------------------------------------------------------------
    // A copy starts: the last one is gone; the preset's block and impulse
    // are read next. `fileName` and `filePath`: a file the preset has
    // loaded, which it carries instead of the device's impulse.
    void startCopy(const QString &fileName, const QString &filePath);
    // A whole copy given as it is (an imported preset): the block, the
    // impulse name as the device reported it (kept in the form it is stored
    // under) and its image as hex text (both empty for none).
    void setCopy(const QByteArray &statusText, const QByteArray &impulseName,
                 const QByteArray &hexImage);
    // Why there is nothing to paste, in the panel's words; empty when a
    // whole copy is there.
    QString pasteRefusal() const;
    const QByteArray &copiedStatus() const { return copyStatus; }
    const QByteArray &copiedImpulseName() const { return copyImpulseName; }
    const QByteArray &copiedImpulseImage() const { return copyImpulseData; }
    const QString &copiedFileName() const { return copyImpulseFileName; }
    const QString &copiedFilePath() const { return copyImpulsePath; }
    // A copy without impulse is pasted with the cabinet off: the copied
    // block says so from then on.
    void switchCabinetOff();

    // ---- what the device answered ----------------------------------------
    // Every status block (86 hex digits); `comparing`: the stored preset is
    // on show.
    void statusRead(const QByteArray &block, bool comparing);
    // A copy waits for the impulse answer.
    bool awaitsImpulse() const { return copyImpulsePending != 0; }
    // The impulse answer's values: name and image, or none for a preset
    // without impulse.
    void impulseRead(const QList<QByteArray> &values);
    // The queue was emptied: answers its requests awaited will not come.
    // True when that cut a copy short.
    bool requestsDropped();

private:
    friend struct PartsAccess; // tests set a state up directly

    uchar compareArm = 0;
    QByteArray compareStatus;
    uchar copyStatusPending = 0;
    uchar copyImpulsePending = 0;
    uchar copyCut = 0; // the last copy lost an answer
    QByteArray copyStatus;
    QByteArray copyImpulseName;
    QByteArray copyImpulseData;
    QString copyImpulseFileName;
    QString copyImpulsePath;
};
