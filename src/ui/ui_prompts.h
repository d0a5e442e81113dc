// The modal questions the main window asks: the folder browser, the open-file
// dialog and message boxes. Each is a replaceable function so that tests can answer
// in place of the user; the defaults show the real dialogs.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

class QWidget;

namespace tessarn {

struct UiPrompts {
  // Returns the chosen folder, or an empty text when cancelled.
  std::function<QString(QWidget* owner, const QString& caption)> chooseFolder;
  // Returns the picked files' full paths in the dialog's order; empty when cancelled.
  std::function<QStringList(QWidget* owner, const QString& title, const QString& filter,
                            const QString& initialFolder)>
      chooseFiles;
  // Shows a message box and returns the button pressed.
  std::function<QMessageBox::StandardButton(QWidget* owner, QMessageBox::Icon icon,
                                            const QString& title, const QString& text,
                                            QMessageBox::StandardButtons buttons)>
      message;
  // Opens a page in the desktop's viewer without waiting for it; false when no
  // viewer could be started.
  std::function<bool(const QUrl& url)> openUrl;
  // Asks for one line of text (a preset's name), `text` shown at first; returns
  // false when cancelled.
  std::function<bool(QWidget* owner, const QString& title, const QString& label, QString& text)>
      askText;
};

UiPrompts DefaultPrompts();

}  // namespace tessarn
