#pragma once

#include <QPushButton>
#include <initializer_list>

class QLineEdit;

namespace orvela::components {

/// A push button in one of the button styles of the product: primary (filled with the brand
/// blue, the screen's main action), secondary (outlined, for the other actions) or destructive
/// (outlined in the danger tone, for actions that destroy data).
class ActionButton : public QPushButton {
    Q_OBJECT

public:
    enum class Role { primary, secondary, destructive };
    Q_ENUM(Role)

    explicit ActionButton(const QString& text = QString(), Role role = Role::primary,
                          QWidget* parent = nullptr);

    void setRole(Role role);
    Role role() const { return m_role; }

    /// Shows the shipped or themed icon of `symbol` before the text.
    void setSymbol(const QString& symbol);

    /// Enter in any of `fields` presses this button, as it would the default button of a dialog:
    /// a form on a page has no dialog to do that for it.
    void submitOnEnter(std::initializer_list<QLineEdit*> fields);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applySheet();

    Role m_role;
};

} // namespace orvela::components
