#include "ui/ui_prompts.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>

namespace tessarn {

UiPrompts DefaultPrompts() {
  UiPrompts p;
  p.chooseFolder = [](QWidget* owner, const QString& caption) {
    return QFileDialog::getExistingDirectory(owner, caption, QString(), QFileDialog::ShowDirsOnly);
  };
  p.chooseFiles = [](QWidget* owner, const QString& title, const QString& filter,
                     const QString& initialFolder) {
    return QFileDialog::getOpenFileNames(owner, title, initialFolder, filter);
  };
  p.message = [](QWidget* owner, QMessageBox::Icon icon, const QString& title, const QString& text,
                 QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, title, text, buttons, owner);
    return static_cast<QMessageBox::StandardButton>(box.exec());
  };
  p.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
  p.askText = [](QWidget* owner, const QString& title, const QString& label, QString& text) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(owner, title, label, QLineEdit::Normal, text, &ok);
    if (ok) text = answer;
    return ok;
  };
  return p;
}

}  // namespace tessarn
