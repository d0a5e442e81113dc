#include "ui/filter_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/gb_qt.h"
#include "ui/ui_prompts.h"

namespace tessarn {

namespace {

const char* const kExtensions[] = {"txt", "mp3", "jpg", "bmp", "gif", "jpeg", "wav", "wma",
                                   "fla", "swf", "rm",  "avi", "htm", "html", "doc", "ppt"};

}  // namespace

FilterDialog::FilterDialog(FileList& list, std::function<void()> afterFilter, QWidget* parent)
    : QDialog(parent),
      list_(list),
      afterFilter_(std::move(afterFilter)),
      message_(DefaultPrompts().message) {
  setWindowTitle(QStringLiteral("过滤设置"));
  setModal(true);
  BuildControls();
}

void FilterDialog::BuildControls() {
  auto* opLabel = new QLabel(QStringLiteral("操作方式："), this);
  operation_ = new QComboBox(this);
  operation_->setObjectName(QStringLiteral("操作方式组合框"));
  operation_->setEditable(true);
  operation_->setInsertPolicy(QComboBox::NoInsert);
  operation_->addItem(QStringLiteral("删除"));
  operation_->addItem(QStringLiteral("保留"));
  operation_->setCurrentIndex(0);

  byExtension_ = new QRadioButton(QStringLiteral("扩展名"), this);
  byExtension_->setObjectName(QStringLiteral("扩展名单选框"));
  extension_ = new QComboBox(this);
  extension_->setObjectName(QStringLiteral("扩展名组合框"));
  extension_->setEditable(true);
  extension_->setInsertPolicy(QComboBox::NoInsert);
  for (const char* ext : kExtensions) extension_->addItem(QString::fromLatin1(ext));
  extension_->setCurrentIndex(-1);
  extension_->setEditText(QString());

  byText_ = new QRadioButton(QStringLiteral("包含内容"), this);
  byText_->setObjectName(QStringLiteral("包含内容单选框"));
  text_ = new QLineEdit(this);
  text_->setObjectName(QStringLiteral("包含内容编辑框"));

  closeAfter_ = new QCheckBox(QStringLiteral("过滤完成后关闭对话框"), this);
  closeAfter_->setObjectName(QStringLiteral("过滤完成后关闭对话框选择框"));
  closeAfter_->setChecked(true);

  okButton_ = new QPushButton(QStringLiteral("确定"), this);
  okButton_->setObjectName(QStringLiteral("确定按钮"));
  okButton_->setDefault(true);
  cancelButton_ = new QPushButton(QStringLiteral("取消"), this);
  cancelButton_->setObjectName(QStringLiteral("取消按钮"));
  cancelButton_->setAutoDefault(false);

  auto* grid = new QGridLayout;
  grid->addWidget(opLabel, 0, 0);
  grid->addWidget(operation_, 0, 1);
  grid->addWidget(byExtension_, 1, 0);
  grid->addWidget(extension_, 1, 1);
  grid->addWidget(byText_, 2, 0);
  grid->addWidget(text_, 2, 1);
  grid->addWidget(closeAfter_, 3, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(grid);
  outer->addLayout(buttons);
  setMinimumWidth(320);

  // The two radio buttons are the dialog's only group; the extension comes first.
  byExtension_->setChecked(true);
  SelectMatchBy(true);
  connect(byExtension_, &QRadioButton::clicked, this, [this] { SelectMatchBy(true); });
  connect(byText_, &QRadioButton::clicked, this, [this] { SelectMatchBy(false); });
  connect(okButton_, &QPushButton::clicked, this, [this] { ApplyFilter(); });
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void FilterDialog::SelectMatchBy(bool byExtension) {
  extension_->setEnabled(byExtension);
  text_->setEnabled(!byExtension);
}

FilterOptions FilterDialog::ReadOptions() const {
  FilterOptions options;
  // Typing into the operation box leaves no item selected unless the text is one
  // of the two items.
  switch (operation_->findText(operation_->currentText(), Qt::MatchExactly)) {
    case 0:
      options.operation = FilterOperation::kDelete;
      break;
    case 1:
      options.operation = FilterOperation::kKeep;
      break;
    default:
      options.operation = FilterOperation::kNone;
      break;
  }
  options.by = byText_->isChecked() ? FilterBy::kContainedText : FilterBy::kExtension;
  options.extension = ToGb(extension_->currentText());
  options.text = ToGb(text_->text());
  return options;
}

void FilterDialog::ApplyFilter() {
  const FilterOptions options = ReadOptions();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const FilterResult result = tessarn::ApplyFilter(list_, options);
  QApplication::restoreOverrideCursor();
  if (result.refusal) {
    message_(this, QMessageBox::Warning, QStringLiteral("过滤设置"), FromGb(result.refusal->text),
             QMessageBox::Ok);
    return;
  }
  if (afterFilter_) afterFilter_();
  if (closeAfter_->isChecked()) accept();
}

}  // namespace tessarn
