// Page "替换/删除": find and replace, or delete, a text.
#include <QCheckBox>

#include "ui/gb_qt.h"
#include "ui/page_layout.h"
#include "ui/rule_page.h"

namespace tessarn {
namespace {

using namespace page_layout;

class ReplacePage : public RulePage {
 public:
  ReplacePage();
  void Read(NamingOptions& o) const override;
  void Write(const NamingOptions& o) override;

 private:
  QLineEdit* findText_;
  QLineEdit* replaceWith_;
  QRadioButton* replaceNameOnly_;
  QRadioButton* replaceExtOnly_;
  QRadioButton* replaceAll_;
  QCheckBox* caseSensitive_;
  QCheckBox* regex_;
};

ReplacePage::ReplacePage() {
  QWidget* page = this;
  auto* group = Group(page, "删除分组框", "选项", 5, 25 - kTabRow, 579, 96);
  // The rows were drawn at 14, 44 and 74, for a title that took less height; they
  // move down below the frame line that follows the title here.
  const int row1 = kGroupRow, row2 = 47, row3 = 75;
  findText_ = Edit(group, "查找内容编辑框", 89, row1, 191);
  Label(group, "查找内容", 27, row1 + 3, findText_);
  SetTag(findText_, 10);
  caseSensitive_ = new QCheckBox(QString::fromUtf8("区分大小写"), group);
  caseSensitive_->setObjectName(QString::fromUtf8("区分大小写选择框"));
  Put(caseSensitive_, 291, row1);
  connect(caseSensitive_, &QCheckBox::clicked, this, &RulePage::passRequested);
  regex_ = new QCheckBox(QString::fromUtf8("正则表达式"), group);
  regex_->setObjectName(QString::fromUtf8("正则表达式选择框"));
  Put(regex_, 291 + caseSensitive_->sizeHint().width() + 16, row1);
  connect(regex_, &QCheckBox::clicked, this, &RulePage::passRequested);

  replaceWith_ = Edit(group, "替换为编辑框", 89, row2, 191);
  Label(group, "替换为", 27, row2 + 3, replaceWith_);
  SetTag(replaceWith_, 11);
  Label(group, "（为空时表示删除‘查找内容’的内容）", 291, row2 + 3);

  Label(group, "应用于：", 27, row3);
  replaceNameOnly_ = Radio(group, "仅文件名单选框", "仅文件名", 89, row3);
  replaceExtOnly_ = Radio(group, "仅扩展名单选框", "仅扩展名", 197, row3);
  replaceAll_ = Radio(group, "替换删除全部单选框", "全部", 313, row3);
  replaceNameOnly_->setChecked(true);
  SetTag(replaceExtOnly_, 20);
  SetTag(replaceAll_, 21);
  for (QRadioButton* radio : {replaceNameOnly_, replaceExtOnly_, replaceAll_})
    connect(radio, &QRadioButton::clicked, this, &RulePage::passRequested);
  for (QLineEdit* edit : {findText_, replaceWith_})
    connect(edit, &QLineEdit::textChanged, this, &RulePage::passRequested);
}

void ReplacePage::Read(NamingOptions& o) const {
  o.findText = ToGb(findText_->text());
  o.replaceWith = ToGb(replaceWith_->text());
  o.replaceScope = replaceAll_->isChecked()       ? ReplaceScope::kAll
                   : replaceExtOnly_->isChecked() ? ReplaceScope::kExtensionOnly
                                                  : ReplaceScope::kFileNameOnly;
  o.caseSensitive = caseSensitive_->isChecked();
  o.regex = regex_->isChecked();
}

void ReplacePage::Write(const NamingOptions& o) {
  findText_->setText(FromGb(o.findText));
  replaceWith_->setText(FromGb(o.replaceWith));
  (o.replaceScope == ReplaceScope::kAll             ? replaceAll_
   : o.replaceScope == ReplaceScope::kExtensionOnly ? replaceExtOnly_
                                                    : replaceNameOnly_)
      ->setChecked(true);
  caseSensitive_->setChecked(o.caseSensitive);
  regex_->setChecked(o.regex);
}

}  // namespace

RulePage* MakeReplacePage(AppSettings&) { return new ReplacePage; }

}  // namespace tessarn
