#include "ui/number_box.h"

#include <QEvent>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <algorithm>

#include "core/rules/naming_options.h"

namespace tessarn {

namespace {
constexpr int kArrowWidth = 14;
}

NumberBox::NumberBox(int minimum, int maximum, int maxLength, QWidget* parent)
    : QLineEdit(parent), minimum_(minimum), maximum_(maximum) {
  SetSignAllowed(false);
  setMaxLength(maxLength);
  up_ = new QToolButton(this);
  down_ = new QToolButton(this);
  for (QToolButton* b : {up_, down_}) {
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRepeat(true);
    b->setCursor(Qt::ArrowCursor);
  }
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  connect(up_, &QToolButton::clicked, this, [this] { stepBy(1); });
  connect(down_, &QToolButton::clicked, this, [this] { stepBy(-1); });
  setTextMargins(0, 0, kArrowWidth, 0);
}

void NumberBox::SetSignAllowed(bool allowed) {
  const QValidator* old = validator();
  setValidator(
      new QRegularExpressionValidator(QRegularExpression(allowed ? "-?[0-9]*" : "[0-9]*"), this));
  delete old;
}

void NumberBox::stepBy(int delta) {
  const long long current = OptionNumber(text().toStdString());
  const long long next = std::clamp<long long>(current + delta, minimum_, maximum_);
  const QString t = QString::number(next);
  if (t != text()) setText(t);
}

void NumberBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
    stepBy(event->key() == Qt::Key_Up ? 1 : -1);
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void NumberBox::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  const int h = height();
  up_->setGeometry(width() - kArrowWidth - 1, 1, kArrowWidth, h / 2 - 1);
  down_->setGeometry(width() - kArrowWidth - 1, h / 2, kArrowWidth, h - h / 2 - 1);
}

void NumberBox::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) {
    up_->setEnabled(isEnabled());
    down_->setEnabled(isEnabled());
  }
}

}  // namespace tessarn
