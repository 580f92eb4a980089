#pragma once

#include "../support/EventLoop.h"
#include "InterfaceLanguage.h"
#include "Screenshot.h"
#include "SoftHsmToken.h"
#include "common/LocalizationService.h"
#include "orvela/sim/VirtualReaderBackend.h"
#include "orvela/sim/VirtualToken.h"
#include "orvela/tokenkit/CardReaders.h"
#include "orvela/tokenkit/PKCS11Module.h"
#include "tokens/TokenWork.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace orvela::testing {

/// A SoftHSM2 token of the test's own, which the PKCS#11 road finds through
/// ORVELA_PKCS11_LIBRARY as demo mode points it there.
class Pkcs11Road {
public:
    static constexpr const char* soPin = "12345678";
    static constexpr const char* userPin = "123456";

    explicit Pkcs11Road(const char* library = kSoftHsmLibrary) { point(library); }
    ~Pkcs11Road() { qputenv(tokenkit::PKCS11Module::kLibraryEnvironmentVariable, m_previous); }

    /// Points the road at another library for the rest of the test.
    void point(const char* library)
    {
        qputenv(tokenkit::PKCS11Module::kLibraryEnvironmentVariable, library);
    }

    /// Initialises the token with the signing key pair provisioning leaves ("orvela-sign", 01).
    void provision()
    {
        tokenkit::PKCS11Module::open(std::string(kSoftHsmLibrary))
            ->fullProvision(soPin, userPin, "Orvela", "orvela-sign", tokenkit::Bytes{0x01});
    }

private:
    QByteArray m_previous = qgetenv(tokenkit::PKCS11Module::kLibraryEnvironmentVariable);
    SoftHsmToken m_hsm;
};

/// The token screens' surroundings: card readers of the test's own over an in-process reader,
/// for the virtual token of the card road, and an interface language of the test's own.
class TokenScreenFixture : public ::testing::Test {
protected:
    /// Puts a fresh token into the reader.
    std::shared_ptr<sim::VirtualToken>
    plug(sim::VirtualToken::Mode mode = sim::VirtualToken::Mode::aes,
         const char* label = "Orvela Test Token")
    {
        sim::VirtualToken::Options options;
        options.mode = mode;
        options.label = label;
        token = std::make_shared<sim::VirtualToken>(std::move(options));
        reader->setToken(0, token);
        return token;
    }

    /// Shows a screen state in both languages: in each, nothing of the other language outside
    /// the technical names, the names the tests give tokens, keys and files, and `kept` (a lower
    /// layer's message, worded by that layer), and a picture "<name>-mn" and "<name>-en"; see
    /// saveScreenshot. The language is left as it was.
    void shoot(QWidget& widget, const QString& name, QStringList kept = {})
    {
        kept << QStringLiteral("Orvela Test Token") << QStringLiteral("Orvela FIPS Token")
             << QStringLiteral("Orvela Virtual Reader 0") << QStringLiteral("orvela-sign")
             << QStringLiteral("eid-cert") << QStringLiteral("contract.pdf");
        const common::AppLanguage before = localization.language();
        for (const common::AppLanguage language :
             {common::AppLanguage::mn, common::AppLanguage::en}) {
            localization.setLanguage(language);
            const QString picture = name + u'-' + common::rawValue(language);
            EXPECT_FALSE(saveScreenshot(widget, picture).isEmpty()) << picture.toStdString();
            const QStringList foreign = foreignTexts(widget, language, kept);
            EXPECT_TRUE(foreign.isEmpty())
                << picture.toStdString() << ":\n  " << foreign.join("\n  ").toStdString();
        }
        localization.setLanguage(before);
    }

    /// Writes `bytes` to a file of the test's folder; returns its path.
    QString write(const char* name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(QString::fromUtf8(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) << name;
        return path;
    }

    /// Waits until every card job queued so far has finished and handed back.
    bool cardWorkerIdle()
    {
        QObject context;
        bool done = false;
        tokens::runCardWork(
            &context, readers, [] {}, [&](const auto&) { done = true; });
        return waitUntil([&] { return done; });
    }

    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat};
    common::LocalizationService localization{&settings};
    std::shared_ptr<sim::VirtualReaderBackend> reader =
        std::make_shared<sim::VirtualReaderBackend>(1);
    /// What the token manager and the controllers under test are given.
    std::shared_ptr<tokenkit::CardReaders> readers =
        std::make_shared<tokenkit::CardReaders>(reader);
    std::shared_ptr<sim::VirtualToken> token;
};

} // namespace orvela::testing
