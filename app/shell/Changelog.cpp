#include "shell/Changelog.h"

namespace orvela::shell {

QList<ChangelogEntry> releaseHistory()
{
    const QString added = QStringLiteral("plus.circle.fill");
    return {
        {QStringLiteral("1.0.0"),
         QStringLiteral("2026.04.16"),
         {
             {added, QStringLiteral("3 аргаар нэвтрэх: РД + push, QR код, вэб хөтөч"),
              ItemType::feature},
             {added, QStringLiteral("Dashboard: avatar, stat card, devices, audit log"),
              ItemType::feature},
             {added, QStringLiteral("Байгууллага: бүртгэл, XYP lookup, гишүүд удирдлага"),
              ItemType::feature},
             {added, QStringLiteral("Cloud Sign: Google Drive + Dropbox + local файл"),
              ItemType::feature},
             {added, QStringLiteral("USB Токен: SM mutual auth, PIN/PUK init, key generation"),
              ItemType::feature},
             {added, QStringLiteral("Хэрэглэгчийн зураг (DAN photo)"), ItemType::feature},
             {added, QStringLiteral("Sparkle auto-update"), ItemType::feature},
             {QStringLiteral("shield.checkered"),
              QStringLiteral("FIPS AES-128 Secure Messaging дэмжлэг"), ItemType::security},
         }},
    };
}

} // namespace orvela::shell
