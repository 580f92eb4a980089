#pragma once

#include "components/Style.h"

#include <QFont>
#include <QString>

class QHBoxLayout;
class QLabel;
class QWidget;

namespace orvela::components {
class Card;
}

/// The building blocks every card of the signing page is made of.
namespace orvela::signing::views::signcards {

/// The shared wrapped label, in plain text, `font` and `alignment`: document names and the
/// server's words pass through it.
QLabel* wrappedLabel(QWidget* parent, const QFont& font, Qt::Alignment alignment = Qt::AlignCenter);
/// A label for a code without spaces (the digest) that wraps between any two characters.
QLabel* wrappingCodeLabel(QWidget* parent);
/// The card of one phase, the same width for every phase.
components::Card* phaseCard(QWidget* parent);
/// `card` centred on a page of its own.
QWidget* centred(components::Card* card);
/// A row for a card's buttons.
QHBoxLayout* buttonRow();

} // namespace orvela::signing::views::signcards
