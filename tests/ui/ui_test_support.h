// Helpers shared by the window tests: answers in place of the user's dialogs, a
// scratch folder with files, and short ways to reach controls and cells.
#pragma once

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include "ui/file_list_model.h"
#include "ui/main_window.h"
#include "ui/ui_prompts.h"

// What the injected dialogs answer, and what they were asked.
struct PromptLog {
  QString folderAnswer;
  QStringList filesAnswer;
  QMessageBox::StandardButton answer = QMessageBox::Yes;
  bool viewerStarts = true;  // what opening the help page answers

  int folderCalls = 0;
  int filesCalls = 0;
  QString folderCaption;
  QString filesTitle;
  QString filesFilter;
  QString filesInitialFolder;
  struct Shown {
    QMessageBox::Icon icon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
  };
  QList<Shown> messages;
  QList<QUrl> opened;
  // The answers to the text questions (a preset's name), taken in turn; none left
  // cancels.
  QStringList textAnswers;
  int textCalls = 0;
};

inline tessarn::UiPrompts PromptsFor(PromptLog& log) {
  tessarn::UiPrompts p;
  p.chooseFolder = [&log](QWidget*, const QString& caption) {
    ++log.folderCalls;
    log.folderCaption = caption;
    return log.folderAnswer;
  };
  p.chooseFiles = [&log](QWidget*, const QString& title, const QString& filter,
                         const QString& initialFolder) {
    ++log.filesCalls;
    log.filesTitle = title;
    log.filesFilter = filter;
    log.filesInitialFolder = initialFolder;
    return log.filesAnswer;
  };
  p.message = [&log](QWidget*, QMessageBox::Icon icon, const QString& title, const QString& text,
                     QMessageBox::StandardButtons buttons) {
    log.messages.append({icon, title, text, buttons});
    return buttons.testFlag(log.answer) ? log.answer : QMessageBox::Ok;
  };
  p.openUrl = [&log](const QUrl& url) {
    log.opened.append(url);
    return log.viewerStarts;
  };
  p.askText = [&log](QWidget*, const QString&, const QString&, QString& text) {
    ++log.textCalls;
    if (log.textAnswers.isEmpty()) return false;
    text = log.textAnswers.takeFirst();
    return true;
  };
  return p;
}

// A window over a scratch folder: config.ini, dir.txt and the undo history go there.
struct ScratchWindow {
  QTemporaryDir dir;
  PromptLog log;
  bool stateInDir = qputenv("XDG_STATE_HOME", QFile::encodeName(dir.path() + "/state"));
  tessarn::MainWindow window{dir.path(), PromptsFor(log)};

  QString Folder(const QString& name) { return dir.path() + "/" + name; }
};

inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }

template <class W = QLineEdit>
W* Find(QObject& root, const char* name) {
  return root.findChild<W*>(QString::fromUtf8(name));
}

inline QString Cell(tessarn::MainWindow& w, int row, int column) {
  return w.listModel()->index(row, column).data().toString();
}

inline void MakeFiles(const QString& folder, const QStringList& names) {
  QDir().mkpath(folder);
  for (const QString& name : names) {
    QFile f(folder + "/" + name);
    if (f.open(QIODevice::WriteOnly)) f.write(name.toUtf8());
  }
}

inline QStringList FilesIn(const QString& folder) {
  return QDir(folder).entryList(QDir::Files, QDir::Name);
}
