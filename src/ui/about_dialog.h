// The about box: a banner, the program's name and its version. A left click
// anywhere on it closes it.
#pragma once

#include <QDialog>

namespace tessarn {

class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent = nullptr);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace tessarn
