// The blocks compare and copy keep, and when they are valid.
#include "editing/kept_blocks.h"

#include "impulse/wav_image.h"
#include "parsing/status_layout.h"

namespace {
// Status byte 8 ("cabinet_enable") in the status text.
constexpr int cabinetEnableChar = 16;
} // namespace

void KeptBlocks::startCompare()
{
    compareStatus.clear();
    compareArm = 1;
}

QByteArray KeptBlocks::compared() const
{
    // Anything short of a whole block would overwrite the edits with garbage.
    return status::isStatusText(compareStatus) ? compareStatus : QByteArray();
}

void KeptBlocks::forgetCompared()
{
    compareStatus.clear();
    compareArm = 0;
}

void KeptBlocks::startCopy(const QString &fileName, const QString &filePath)
{
    copyStatus.clear();
    copyImpulseName.clear();
    copyImpulseData.clear();
    copyImpulseFileName = fileName;
    copyImpulsePath = filePath;
    copyStatusPending = 1;
    copyImpulsePending = 1;
    copyCut = 0;
}

void KeptBlocks::setCopy(const QByteArray &statusText, const QByteArray &impulseName,
                         const QByteArray &hexImage)
{
    copyStatus = statusText;
    copyImpulseName = wav::storeName(impulseName);
    copyImpulseData = hexImage;
    copyImpulseFileName.clear();
    copyImpulsePath.clear();
    copyStatusPending = 0;
    copyImpulsePending = 0;
    copyCut = 0;
}

QString KeptBlocks::pasteRefusal() const
{
    const QString unfinished = QStringLiteral("The copy did not finish: copy again");
    if (copyStatusPending || copyImpulsePending || copyCut)
        return unfinished;
    if (copyStatus.isEmpty())
        return QStringLiteral("Nothing copied yet");
    if (!status::isStatusText(copyStatus))
        return unfinished;
    return QString();
}

void KeptBlocks::switchCabinetOff()
{
    copyStatus.replace(cabinetEnableChar, 2, "00");
}

void KeptBlocks::statusRead(const QByteArray &block, bool comparing)
{
    // Compare keeps the first block read once the stored preset is on show
    // (the edited one, read before the revert); an armed compare is used up
    // either way.
    if (comparing && compareArm)
        compareStatus = block;
    compareArm = 0;

    if (copyStatusPending) {
        copyStatus = block;
        copyStatusPending = 0;
    }
}

void KeptBlocks::impulseRead(const QList<QByteArray> &values)
{
    if (!copyImpulsePending)
        return;
    copyImpulsePending = 0;
    copyImpulseName.clear();
    copyImpulseData.clear();
    // Two values: name and image. An empty field yields no value, so none
    // is a preset without impulse, and one is an answer missing a field.
    if (values.size() == 2) {
        // The name goes back to the device inside a save's store command:
        // spaces and control characters become "_".
        copyImpulseName = wav::storeName(values.at(0));
        copyImpulseData = values.at(1);
    } else if (!values.isEmpty()) {
        copyCut = 1;
    }
}

bool KeptBlocks::requestsDropped()
{
    compareArm = 0;
    if (!copyStatusPending && !copyImpulsePending)
        return false;
    copyStatusPending = 0;
    copyImpulsePending = 0;
    copyCut = 1;
    return true;
}
