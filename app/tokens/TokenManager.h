#pragma once

#include "orvela/tokenkit/Bytes.h"
#include "orvela/tokenkit/TokenInfo.h"
#include "tokens/TokenWork.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace orvela::tokenkit {
class CardReaders;
class TokenWatcher;
} // namespace orvela::tokenkit

namespace orvela::tokens {

/// The application's view of the USB token: readers, presence and the information of the
/// token in the first reader, kept up to date by the kit's watcher (insertions and, beyond
/// that, removals of a card or a reader). Lives on the interface thread; card work runs on the
/// card worker. The shell owns the one instance the token screens share; it works on the reader
/// access it is given, which the token screens' controllers then share.
class TokenManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isTokenPresent READ isTokenPresent NOTIFY isTokenPresentChanged)
    Q_PROPERTY(QStringList readerNames READ readerNames NOTIFY readerNamesChanged)
    Q_PROPERTY(bool isCardPresent READ isCardPresent NOTIFY isCardPresentChanged)

public:
    /// Sets the fields, starts watching the readers of `readers` and refreshes once. `watch`
    /// false leaves the watcher off (for tests that drive refresh by hand). `readerIndex` picks
    /// the reader whose token is shown; the product always uses the first.
    explicit TokenManager(std::shared_ptr<tokenkit::CardReaders> readers, QObject* parent = nullptr,
                          bool watch = true, int readerIndex = 0);
    ~TokenManager() override;

    /// The reader access every card operation of the token screens goes through.
    const std::shared_ptr<tokenkit::CardReaders>& readers() const { return m_readers; }

    /// The index of the reader whose token is shown and worked on.
    int readerIndex() const { return m_readerIndex; }
    /// A reader is attached (one without a card counts).
    bool isTokenPresent() const { return m_isTokenPresent; }
    QStringList readerNames() const { return m_readerNames; }
    /// A card sits in the first reader, as last seen by the watcher or a card read.
    bool isCardPresent() const { return m_isCardPresent; }
    /// The information of the token in the first reader; none before the first read.
    const std::optional<tokenkit::TokenInfo>& tokenInfo() const { return m_tokenInfo; }
    /// Why the last reading of the readers or the token failed, as a typed value the screens
    /// word; none while the token answers.
    const std::optional<TokenFailure>& failure() const { return m_failure; }

    /// Re-reads readers and presence and, with a reader, the token's information.
    void refresh();
    /// Whether the token answers a challenge: `done` gets none when it does, else the failure.
    /// It runs on `context`'s thread, never after `context` is gone.
    void testConnection(QObject* context,
                        std::function<void(const std::optional<TokenFailure>&)> done);
    /// The token's ECDSA signature of a 32-byte hash, over the card driver.
    void sign(const tokenkit::Bytes& hash, QObject* context,
              std::function<void(TokenOutcome<tokenkit::Bytes>)> done);

signals:
    void isTokenPresentChanged(bool present);
    void readerNamesChanged(const QStringList& names);
    void isCardPresentChanged(bool present);
    void tokenInfoChanged();
    void failureChanged();

private:
    struct Snapshot;

    void startWatching();
    void onInserted(const QString& readerName);
    void onRemoved(const QString& readerName);
    void applySnapshot(const Snapshot& snapshot);
    void setReaders(const QStringList& names);
    void setTokenInfo(std::optional<tokenkit::TokenInfo> info);
    void setCardPresent(bool present);
    void setFailure(const std::optional<TokenFailure>& failure);

    std::shared_ptr<tokenkit::CardReaders> m_readers;
    int m_readerIndex = 0;
    /// Numbers each refresh; a result is applied only while no newer refresh was started.
    quint64 m_refreshGeneration = 0;

    bool m_isTokenPresent = false;
    QStringList m_readerNames;
    bool m_isCardPresent = false;
    std::optional<tokenkit::TokenInfo> m_tokenInfo;
    std::optional<TokenFailure> m_failure;
    std::unique_ptr<tokenkit::TokenWatcher> m_watcher;
};

} // namespace orvela::tokens
