// A colour picker: a button painted in the colour it holds. Clicking it opens a
// colour chooser (QColorDialog unless a test puts its own in); picking another
// colour stores it and emits colourPicked.
#pragma once

#include <QColor>
#include <QPushButton>
#include <cstdint>
#include <functional>
#include <optional>

namespace tessarn {

// A QColor as a Windows colour value (0x00BBGGRR); FromColourRef is the way back.
std::int32_t ToColourRef(const QColor& colour);

class ColourButton : public QPushButton {
  Q_OBJECT
 public:
  // Returns the chosen colour, or nothing when the user cancelled.
  using Chooser = std::function<std::optional<QColor>(const QColor& initial, QWidget* parent)>;

  explicit ColourButton(QWidget* parent = nullptr);

  // The colour as a Windows colour value. Setting it does not emit colourPicked.
  std::int32_t colourRef() const { return colourRef_; }
  void setColourRef(std::int32_t colour);
  void setChooser(Chooser chooser) { chooser_ = std::move(chooser); }

 signals:
  void colourPicked(std::int32_t colour);

 private:
  void Choose();
  void Repaint();

  std::int32_t colourRef_ = 0;
  Chooser chooser_;
};

}  // namespace tessarn
