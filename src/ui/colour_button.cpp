#include "ui/colour_button.h"

#include <QColorDialog>

#include "ui/gb_qt.h"

namespace tessarn {

std::int32_t ToColourRef(const QColor& colour) {
  const auto value = static_cast<std::uint32_t>(colour.red()) |
                     (static_cast<std::uint32_t>(colour.green()) << 8) |
                     (static_cast<std::uint32_t>(colour.blue()) << 16);
  return static_cast<std::int32_t>(value);
}

ColourButton::ColourButton(QWidget* parent) : QPushButton(parent) {
  chooser_ = [](const QColor& initial, QWidget* owner) -> std::optional<QColor> {
    const QColor chosen = QColorDialog::getColor(initial, owner);
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
  };
  connect(this, &QPushButton::clicked, this, &ColourButton::Choose);
  Repaint();
}

void ColourButton::setColourRef(std::int32_t colour) {
  colourRef_ = colour;
  Repaint();
}

void ColourButton::Choose() {
  const std::optional<QColor> chosen = chooser_(FromColourRef(colourRef_), window());
  if (!chosen) return;
  const std::int32_t picked = ToColourRef(*chosen);
  if (picked == colourRef_) return;
  setColourRef(picked);
  emit colourPicked(picked);
}

// A style sheet rather than the palette: most styles ignore a button's palette.
void ColourButton::Repaint() {
  const QColor c = FromColourRef(colourRef_);
  setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 1px solid #404040; }")
                    .arg(c.name()));
  setToolTip(c.name());
}

}  // namespace tessarn
