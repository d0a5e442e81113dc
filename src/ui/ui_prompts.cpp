#include "ui/ui_prompts.h"

#include <QDesktopServices>
#include <QFileDialog>

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
  return p;
}

}  // namespace tessarn
