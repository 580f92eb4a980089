#include "tokens/TokenManager.h"

#include "common/LogCategories.h"
#include "orvela/tokenkit/CardReaders.h"
#include "orvela/tokenkit/TokenWatcher.h"
#include "tokens/TokenCard.h"
#include "tokens/TokenFailureText.h"

#include <QPointer>
#include <utility>

namespace orvela::tokens {

/// What one refresh read on the card worker.
struct TokenManager::Snapshot {
    QStringList readerNames;
    /// Set when the shown reader exists and its token was read (or failed to be).
    std::optional<TokenOutcome<tokenkit::TokenInfo>> info;
};

namespace {

QStringList toQStringList(const std::vector<std::string>& names)
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(names.size()));
    for (const auto& name : names) {
        list.append(QString::fromStdString(name));
    }
    return list;
}

/// A failure as the log shows it: in English, whatever the interface language.
QByteArray logText(const TokenFailure& failure)
{
    return tokenFailureText(failure, common::AppLanguage::en).toUtf8();
}

bool sameInfo(const std::optional<tokenkit::TokenInfo>& a,
              const std::optional<tokenkit::TokenInfo>& b)
{
    if (a.has_value() != b.has_value()) {
        return false;
    }
    return !a || (a->atr == b->atr && a->label == b->label && a->isFIPS == b->isFIPS &&
                  a->appletSelected == b->appletSelected);
}

} // namespace

TokenManager::TokenManager(std::shared_ptr<tokenkit::CardReaders> readers, QObject* parent,
                           bool watch, int readerIndex)
    : QObject(parent), m_readers(std::move(readers)), m_readerIndex(readerIndex)
{
    if (watch) {
        startWatching();
    }
    refresh();
}

TokenManager::~TokenManager()
{
    // Joined before the QObject part goes, so no handler can post to a half-destroyed manager.
    m_watcher.reset();
}

void TokenManager::startWatching()
{
    const QPointer<TokenManager> self(this);
    // The watcher's thread only posts; the handler runs on the interface thread, if the
    // manager is still there.
    const auto hopTo = [self](void (TokenManager::*handler)(const QString&)) {
        return [self, handler](const tokenkit::CardEvent& event) {
            QMetaObject::invokeMethod(
                self.data(),
                [self, handler, reader = QString::fromStdString(event.readerName)] {
                    if (self) {
                        (self.data()->*handler)(reader);
                    }
                },
                Qt::QueuedConnection);
        };
    };
    m_watcher = std::make_unique<tokenkit::TokenWatcher>(
        m_readers->backend(), hopTo(&TokenManager::onInserted), hopTo(&TokenManager::onRemoved));
}

void TokenManager::onInserted(const QString& readerName)
{
    qCInfo(lcTokenManager, "token inserted: %s", qUtf8Printable(readerName));
    refresh();
}

void TokenManager::onRemoved(const QString& readerName)
{
    qCInfo(lcTokenManager, "token removed: %s", qUtf8Printable(readerName));
    // Shown at once; the refresh below then settles the reader list.
    if (m_readerIndex < m_readerNames.size() && m_readerNames.at(m_readerIndex) == readerName) {
        setCardPresent(false);
    }
    refresh();
}

void TokenManager::refresh()
{
    const quint64 generation = ++m_refreshGeneration;
    const int reader = m_readerIndex;
    runCardWork(
        this, m_readers,
        [readers = m_readers, reader] {
            // Reader list and token read in one go on the card worker: PC/SC calls may block.
            Snapshot snapshot;
            const auto names = tokens::readerNames(*readers);
            snapshot.readerNames = toQStringList(names);
            if (reader >= 0 && static_cast<std::size_t>(reader) < names.size()) {
                auto read = [&] { return readTokenInfo(*readers, reader); };
                snapshot.info = captureOutcome(read, *readers);
            }
            return snapshot;
        },
        [this, generation](const TokenOutcome<Snapshot>& outcome) {
            if (generation != m_refreshGeneration) {
                return; // a newer refresh owns the fields now
            }
            if (outcome.ok()) {
                applySnapshot(*outcome.value);
                return;
            }
            // No reader listing at all (the PC/SC service is down, say): nothing is attached
            // as far as anyone can tell, and the screens say why.
            qCCritical(lcTokenManager, "Reader listing failed: %s",
                       logText(outcome.failure).constData());
            setReaders({});
            setTokenInfo(std::nullopt);
            setCardPresent(false);
            setFailure(outcome.failure);
        });
}

void TokenManager::applySnapshot(const Snapshot& snapshot)
{
    setReaders(snapshot.readerNames);
    if (!snapshot.info) {
        setTokenInfo(std::nullopt);
        setCardPresent(false);
        setFailure(std::nullopt); // the empty list says it all
        return;
    }
    const auto& info = *snapshot.info;
    if (info.ok()) {
        qCInfo(lcTokenManager, "token: %s, FIPS=%d", info.value->label.c_str(),
               info.value->isFIPS ? 1 : 0);
        setTokenInfo(info.value);
        setCardPresent(true);
        // The token answers again; an old failure would only mislead.
        setFailure(std::nullopt);
        return;
    }
    qCCritical(lcTokenManager, "Token info failed: %s", logText(info.failure).constData());
    setFailure(info.failure);
    if (info.failure.cardGone) {
        setCardPresent(false);
    }
}

void TokenManager::testConnection(QObject* context,
                                  std::function<void(const std::optional<TokenFailure>&)> done)
{
    const int reader = m_readerIndex;
    const QPointer<QObject> receiver(context);
    runCardWork(
        this, m_readers,
        [readers = m_readers, reader] { return connectionChallenge(*readers, reader); },
        [this, receiver, done = std::move(done)](const TokenOutcome<tokenkit::Bytes>& outcome) {
            if (outcome.ok()) {
                qCInfo(lcTokenManager, "Token connection OK, challenge: %s",
                       tokenkit::bytesToHex(*outcome.value).c_str());
            } else {
                qCCritical(lcTokenManager, "Token connection failed: %s",
                           logText(outcome.failure).constData());
                setFailure(outcome.failure);
            }
            if (outcome.ok() || outcome.failure.cardGone) {
                setCardPresent(outcome.ok());
            }
            if (receiver) {
                done(outcome.ok() ? std::nullopt : std::optional(outcome.failure));
            }
        });
}

void TokenManager::sign(const tokenkit::Bytes& hash, QObject* context,
                        std::function<void(TokenOutcome<tokenkit::Bytes>)> done)
{
    const int reader = m_readerIndex;
    runCardWork(
        context, m_readers,
        [readers = m_readers, reader, hash] { return signWithCard(*readers, reader, hash); },
        std::move(done));
}

void TokenManager::setReaders(const QStringList& names)
{
    if (names != m_readerNames) {
        m_readerNames = names;
        emit readerNamesChanged(m_readerNames);
    }
    const bool present = !names.isEmpty();
    if (present != m_isTokenPresent) {
        m_isTokenPresent = present;
        emit isTokenPresentChanged(present);
    }
}

void TokenManager::setTokenInfo(std::optional<tokenkit::TokenInfo> info)
{
    if (!sameInfo(info, m_tokenInfo)) {
        m_tokenInfo = std::move(info);
        emit tokenInfoChanged();
    }
}

void TokenManager::setCardPresent(bool present)
{
    if (present != m_isCardPresent) {
        m_isCardPresent = present;
        emit isCardPresentChanged(present);
    }
}

void TokenManager::setFailure(const std::optional<TokenFailure>& failure)
{
    if (failure != m_failure) {
        m_failure = failure;
        emit failureChanged();
    }
}

} // namespace orvela::tokens
