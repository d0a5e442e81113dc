// An integer text box with small up/down arrows. Typing accepts digits only (and a
// leading "-" where a sign means something), up to a maximum length, and the box
// may be emptied; the arrows (and the Up/Down keys) step
// the value within a range. The rules read the box's text, not a value.
#pragma once

#include <QLineEdit>

class QToolButton;

namespace tessarn {

class NumberBox : public QLineEdit {
  Q_OBJECT
 public:
  NumberBox(int minimum, int maximum, int maxLength, QWidget* parent = nullptr);

  int minimum() const { return minimum_; }
  int maximum() const { return maximum_; }
  // Lets a leading "-" be typed or pasted; the arrows keep their range.
  void SetSignAllowed(bool allowed);
  // One arrow step: the current value moved by `delta` and kept within the range.
  void stepBy(int delta);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  int minimum_;
  int maximum_;
  QToolButton* up_;
  QToolButton* down_;
};

}  // namespace tessarn
