#include "tokens/ProvisionInput.h"

#include <QList>

namespace orvela::tokens {

namespace {

/// Characters as a person counts them: code points, not UTF-16 units.
qsizetype characterCount(const QString& text)
{
    return text.toUcs4().size();
}

} // namespace

bool canProvision(const ProvisionPins& pins)
{
    return characterCount(pins.userPin) >= kMinUserPinLength &&
           pins.userPinRepeat == pins.userPin && characterCount(pins.soPin) >= kMinSoPinLength;
}

} // namespace orvela::tokens
