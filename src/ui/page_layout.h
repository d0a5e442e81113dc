// Placement helpers of the option pages, which were drawn in pixels.
#pragma once

#include <QColor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QRadioButton>
#include <QString>

#include "ui/number_box.h"

namespace tessarn::page_layout {

// The pages were drawn for a tab control whose tab row is 20 pixels high; page
// coordinates are those of the tab control less that row.
inline constexpr int kTabRow = 20;
inline constexpr int kEditHeight = 20;
inline constexpr int kGroupHeight = 43;
inline constexpr int kGroupRow = 19;
inline const QColor kBlack(0, 0, 0);
inline const QColor kGrey(0x80, 0x80, 0x80);

inline void SetTextColour(QWidget* w, const QColor& colour) {
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, colour);
  p.setColor(QPalette::Text, colour);
  w->setPalette(p);
}

// Places a widget with its top-left corner at (x, y); a negative size takes the
// widget's own preferred size.
template <class W>
W* Put(W* w, int x, int y, int width = -1, int height = -1) {
  const QSize hint = w->sizeHint();
  w->setGeometry(x, y, width < 0 ? hint.width() : width, height < 0 ? hint.height() : height);
  return w;
}

inline QLabel* Label(QWidget* parent, const char* text, int x, int y, QWidget* buddy = nullptr) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  if (buddy) label->setBuddy(buddy);
  // Labels were placed by their text's top; centre them a little higher.
  return Put(label, x, y - 2);
}

inline QLineEdit* Edit(QWidget* parent, const char* name, int x, int y, int width,
                       int height = kEditHeight) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromUtf8(name));
  return Put(edit, x, y, width, height);
}

inline NumberBox* Number(QWidget* parent, const char* name, int minimum, int maximum,
                         int maxLength, const char* text, int x, int y, int width,
                         int height = kEditHeight) {
  auto* box = new NumberBox(minimum, maximum, maxLength, parent);
  box->setObjectName(QString::fromUtf8(name));
  box->setText(QString::fromUtf8(text));
  return Put(box, x, y, width, height);
}

inline QRadioButton* Radio(QWidget* parent, const char* name, const char* text, int x, int y) {
  auto* radio = new QRadioButton(QString::fromUtf8(text), parent);
  radio->setObjectName(QString::fromUtf8(name));
  return Put(radio, x, y - 3);
}

inline QGroupBox* Group(QWidget* parent, const char* name, const char* title, int x, int y,
                        int width, int height) {
  auto* group = new QGroupBox(QString::fromUtf8(title), parent);
  group->setObjectName(QString::fromUtf8(name));
  return Put(group, x, y, width, height);
}

// Controls that behave alike carry numeric tags, as the pages were first drawn.
inline void SetTag(QObject* o, int tag) { o->setProperty("tag", tag); }

}  // namespace tessarn::page_layout
