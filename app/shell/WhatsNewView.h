#pragma once

#include "shell/Changelog.h"

#include <QDialog>

namespace orvela::shell {

/// The release-notes sheet: the installed version, then each release's notes with icons tinted
/// by kind, and "Ойлголоо" to close it.
class WhatsNewView : public QDialog {
    Q_OBJECT

public:
    explicit WhatsNewView(const QList<ChangelogEntry>& history, const QString& version,
                          QWidget* parent = nullptr);
};

} // namespace orvela::shell
