#pragma once

#include <QString>

namespace orvela::tokens {

/// Overwrites a secret's characters before letting it go, so a PIN does not linger in freed
/// memory. A copy still shared with another string (a field's text) is that string's to clear.
inline void wipe(QString& secret)
{
    secret.fill(QChar(0));
    secret.clear();
}

/// A PIN as typed into a field, held by a controller until it is used: wiped when replaced,
/// cleared or destroyed.
class PinText {
public:
    PinText() = default;
    PinText(const PinText&) = delete;
    PinText& operator=(const PinText&) = delete;
    ~PinText() { clear(); }

    /// Whether the PIN changed.
    bool set(const QString& text)
    {
        if (text == m_text) {
            return false;
        }
        wipe(m_text);
        m_text = text;
        return true;
    }
    void clear() { wipe(m_text); }

    const QString& text() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }
    qsizetype size() const { return m_text.size(); }

private:
    QString m_text;
};

} // namespace orvela::tokens
