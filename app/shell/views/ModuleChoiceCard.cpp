#include "shell/views/ModuleChoiceCard.h"

#include "common/LocalizationService.h"
#include "components/Prompts.h"
#include "shell/Pkcs11ModuleSetting.h"
#include "tokens/views/TokenPrompts.h"

#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

namespace orvela::shell::views {

namespace {

/// What an entry of the list stands for; a path is the item's data.
enum class Entry { automatic, module, other };

constexpr int kEntryRole = Qt::UserRole + 1;

QLabel* plainLabel(QWidget* parent, const QString& name)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setObjectName(name);
    return label;
}

} // namespace

ModuleChoiceCard::ModuleChoiceCard(Pkcs11ModuleSetting& setting, components::Prompts& prompts,
                                   common::LocalizationService& localization, QWidget* parent)
    : Card(parent), m_setting(setting), m_prompts(prompts), m_localization(localization)
{
    setObjectName(QStringLiteral("pkcs11ModuleCard"));
    m_modules = new QComboBox(this);
    m_modules->setObjectName(QStringLiteral("pkcs11Module"));
    // Library paths are long: the list opens wide, the box keeps to the sheet's width.
    m_modules->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_modules->setMinimumContentsLength(16);
    m_hint = plainLabel(this, QStringLiteral("pkcs11ModuleHint"));
    m_failure = plainLabel(this, QStringLiteral("pkcs11ModuleFailure"));
    m_failure->setStyleSheet(QStringLiteral("color: #b42318;"));
    contentLayout()->addWidget(m_modules);
    contentLayout()->addWidget(m_failure);
    contentLayout()->addWidget(m_hint);
    connect(m_modules, &QComboBox::activated, this, &ModuleChoiceCard::onActivated);
    connect(&m_setting, &Pkcs11ModuleSetting::changed, this, &ModuleChoiceCard::showState);
    retranslate();
}

void ModuleChoiceCard::retranslate()
{
    setTitle(m_localization.localized(QStringLiteral("Settings_Pkcs11_Title")));
    m_hint->setText(m_localization.localized(QStringLiteral("Settings_Pkcs11_Hint")));
    showState();
}

void ModuleChoiceCard::showState()
{
    const QSignalBlocker quiet(m_modules);
    m_modules->clear();
    const auto add = [this](const QString& label, Entry entry, const QString& path) {
        m_modules->addItem(label, path);
        m_modules->setItemData(m_modules->count() - 1, static_cast<int>(entry), kEntryRole);
    };
    add(m_localization.localized(QStringLiteral("Settings_Pkcs11_Defaults")), Entry::automatic,
        QString());
    const QString chosen = m_setting.chosen();
    bool listed = chosen.isEmpty();
    for (const tokens::RegisteredModule& module : m_setting.modules()) {
        add(module.name + QStringLiteral(" — ") + module.path, Entry::module, module.path);
        listed = listed || module.path == chosen;
    }
    if (!listed) {
        add(chosen, Entry::module, chosen);
    }
    add(m_localization.localized(QStringLiteral("Settings_Pkcs11_Other")), Entry::other, QString());
    m_modules->setCurrentIndex(std::max(0, m_modules->findData(chosen)));
    const QString failure = m_setting.loadFailure();
    m_failure->setText(
        failure.isEmpty()
            ? QString()
            : m_localization.localized(QStringLiteral("Settings_Pkcs11_Fails")).arg(failure));
    m_failure->setVisible(!failure.isEmpty());
}

void ModuleChoiceCard::onActivated(int index)
{
    const auto entry = static_cast<Entry>(m_modules->itemData(index, kEntryRole).toInt());
    if (entry != Entry::other) {
        m_setting.choose(m_modules->itemData(index).toString());
        return;
    }
    showState(); // back to the chosen entry until a file is picked
    m_prompts.chooseFileToOpen(window(),
                               m_localization.localized(QStringLiteral("Settings_Pkcs11_Choose")),
                               {}, this, [this](const QString& path) { m_setting.choose(path); });
}

} // namespace orvela::shell::views
