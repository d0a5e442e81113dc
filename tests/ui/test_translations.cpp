// Qt's own buttons and dialogs speak the user's language: the message boxes, the
// undo question and the folder picker, shown for real and read while they are open.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include "core/filelist/rename_run.h"
#include "ui/gb_qt.h"
#include "ui/qt_translations.h"
#include "ui/ui_prompts.h"

namespace {

// The texts of the buttons of the modal dialog that `show` opens; the dialog is
// closed as soon as they are read.
QStringList ButtonsOfModal(const std::function<void()>& show) {
  QStringList texts;
  QTimer::singleShot(0, [&texts] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    for (QDialogButtonBox* box : modal->findChildren<QDialogButtonBox*>())
      // "否(&N)" and "&Nein" are read as "否" and "Nein".
      for (QAbstractButton* b : box->buttons())
        texts << b->text().remove(QRegularExpression("\\(&\\w\\)")).remove('&');
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
  });
  show();
  texts.sort();
  return texts;
}

}  // namespace

class TranslationsTest : public QObject {
  Q_OBJECT

 private slots:
  void chineseLocaleGivesChineseButtons() {
    QTranslator* translator =
        tessarn::InstallQtTranslations(*qApp, QLocale(QLocale::Chinese, QLocale::China));
    QVERIFY(translator);
    const tessarn::UiPrompts prompts = tessarn::DefaultPrompts();
    QCOMPARE(ButtonsOfModal([&] {
               prompts.message(nullptr, QMessageBox::Information, "Tessarn批量更名器", "完毕",
                               QMessageBox::Ok);
             }),
             QStringList({"确定"}));
    QCOMPARE(ButtonsOfModal([&] {
               prompts.message(nullptr, QMessageBox::Information, "询问：",
                               tessarn::FromGb(tessarn::UndoQuestion()),
                               QMessageBox::Yes | QMessageBox::No);
             }),
             QStringList({"否", "是"}));
    const QStringList picker =
        ButtonsOfModal([&] { prompts.chooseFolder(nullptr, "请选择一个目录"); });
    QVERIFY(!picker.isEmpty());
    for (const QString& text : picker) {
      QVERIFY2(text.contains(QRegularExpression("\\p{Han}")), qPrintable(picker.join(',')));
    }
    QCoreApplication::removeTranslator(translator);
    delete translator;
  }

  void otherLocalesFollowTheirLanguage() {
    QTranslator* translator =
        tessarn::InstallQtTranslations(*qApp, QLocale(QLocale::German, QLocale::Germany));
    QVERIFY(translator);
    const tessarn::UiPrompts prompts = tessarn::DefaultPrompts();
    QCOMPARE(ButtonsOfModal([&] {
               prompts.message(nullptr, QMessageBox::Question, "询问：", "?",
                               QMessageBox::Yes | QMessageBox::No);
             }),
             QStringList({"Ja", "Nein"}));
    QCoreApplication::removeTranslator(translator);
    delete translator;
    // A language Qt has no translation for leaves its English texts.
    QVERIFY(!tessarn::InstallQtTranslations(*qApp, QLocale(QLocale::Swahili, QLocale::Kenya)));
  }
};

QTEST_MAIN(TranslationsTest)
#include "test_translations.moc"
