// Page "常规": numbered main names and new extensions.
#include <QCheckBox>
#include <QPushButton>

#include "core/rules/rule_unit.h"
#include "ui/gb_qt.h"
#include "ui/page_layout.h"
#include "ui/rule_page.h"

namespace tessarn {
namespace {

using namespace page_layout;

class NumberingPage : public RulePage {
 public:
  explicit NumberingPage(AppSettings& settings);
  void Read(NamingOptions& o) const override;
  void Write(const NamingOptions& o) override;

 private:
  void ApplyScope(NumberingScope scope);
  void OnScopeClicked(NumberingScope scope) {
    ApplyScope(scope);
    emit passRequested();
  }
  void OnClear();

  AppSettings& settings_;
  QRadioButton* scopeName_;
  QRadioButton* scopeExt_;
  QRadioButton* scopeAll_;
  NumberBox* startValue_;
  NumberBox* increment_;
  QCheckBox* restartPerFolder_;
  QPushButton* clearButton_;
  QGroupBox* nameGroup_;
  QLabel* nameLabels_[4];
  QLineEdit* namePrefix_;
  QLineEdit* mainName_;
  NumberBox* nameDigits_;
  QLineEdit* nameSuffix_;
  QGroupBox* extGroup_;
  QLabel* extLabels_[4];
  QLineEdit* extPrefix_;
  QLineEdit* newExtension_;
  NumberBox* extDigits_;
  QLineEdit* extSuffix_;
};

NumberingPage::NumberingPage(AppSettings& settings) : settings_(settings) {
  QWidget* page = this;
  const int t = kTabRow;
  auto* scopeGroup = Group(page, "分组框3", "", 52, 22 - t, 228, 27);
  scopeName_ = Radio(scopeGroup, "常规文件名单选框", "文件名", 12, 10);
  scopeExt_ = Radio(scopeGroup, "常规扩展名单选框", "扩展名", 88, 10);
  scopeAll_ = Radio(scopeGroup, "常规全部单选框", "全部", 165, 10);
  scopeName_->setChecked(true);
  Label(page, "作用于：", 6, 32 - t);
  connect(scopeName_, &QRadioButton::clicked, this,
          [this] { OnScopeClicked(NumberingScope::kFileName); });
  connect(scopeExt_, &QRadioButton::clicked, this,
          [this] { OnScopeClicked(NumberingScope::kExtension); });
  connect(scopeAll_, &QRadioButton::clicked, this,
          [this] { OnScopeClicked(NumberingScope::kAll); });

  startValue_ = Number(page, "起始量编辑框", 0, 9999, 8, "0", 342, 29 - t, 48);
  // A falling sequence starts anywhere and steps by a negative increment.
  startValue_->SetSignAllowed(true);
  Label(page, "起始量：", 289, 32 - t, startValue_);
  SetTag(startValue_, 1);
  increment_ = Number(page, "增量编辑框", 1, 9999, 6, "1", 446, 29 - t, 48);
  increment_->SetSignAllowed(true);
  Label(page, "增量", 414, 32 - t, increment_);
  SetTag(increment_, 9);
  clearButton_ = Put(new QPushButton(QString::fromUtf8("清空"), page), 519, 27 - t, 60, 22);
  clearButton_->setObjectName(QString::fromUtf8("常规清空按钮"));
  connect(clearButton_, &QPushButton::clicked, this, &NumberingPage::OnClear);

  // Both groups hold the same four columns in the order the name is assembled.
  // The groups' titles take more height here than where the page was drawn, so
  // their rows sit a few pixels lower.
  nameGroup_ = Group(page, "文件名分组框", "文件名", 6, 50 - t, 578, kGroupHeight);
  namePrefix_ = Edit(nameGroup_, "文件名前缀编辑框", 38, kGroupRow, 56);
  mainName_ = Edit(nameGroup_, "文件名编辑框", 153, kGroupRow, 125);
  nameDigits_ = Number(nameGroup_, "文件名位数调节编辑框", 1, 255, 3, "1", 316, kGroupRow, 56);
  nameSuffix_ = Edit(nameGroup_, "文件名后缀编辑框", 428, kGroupRow, 56);
  nameLabels_[0] = Label(nameGroup_, "前缀", 6, kGroupRow + 3, namePrefix_);
  nameLabels_[1] = Label(nameGroup_, "主文件名", 100, kGroupRow + 3, mainName_);
  nameLabels_[2] = Label(nameGroup_, "位数", 286, kGroupRow + 3, nameDigits_);
  nameLabels_[3] = Label(nameGroup_, "后缀", 396, kGroupRow + 3, nameSuffix_);
  const char* nameLabelNames[4] = {"前缀1标签", "文件名标签", "文件名位数调节标签", "后缀1标签"};
  for (int i = 0; i < 4; ++i) nameLabels_[i]->setObjectName(QString::fromUtf8(nameLabelNames[i]));
  SetTag(mainName_, 2);
  SetTag(nameDigits_, 3);
  SetTag(nameSuffix_, 4);

  extGroup_ =
      Group(page, "扩展名分组框", "扩展名", 6, 50 - t + kGroupHeight + 2, 578, kGroupHeight);
  extPrefix_ = Edit(extGroup_, "扩展名前缀编辑框", 38, kGroupRow, 56);
  newExtension_ = Edit(extGroup_, "新扩展名编辑框", 153, kGroupRow, 125);
  extDigits_ = Number(extGroup_, "扩展名位数调节编辑框", 0, 100, 3, "", 316, kGroupRow, 56);
  extSuffix_ = Edit(extGroup_, "扩展名后缀编辑框", 428, kGroupRow, 56);
  extLabels_[0] = Label(extGroup_, "前缀", 6, kGroupRow + 3, extPrefix_);
  extLabels_[1] = Label(extGroup_, "新扩展名", 100, kGroupRow + 3, newExtension_);
  extLabels_[2] = Label(extGroup_, "位数", 286, kGroupRow + 3, extDigits_);
  extLabels_[3] = Label(extGroup_, "后缀", 396, kGroupRow + 3, extSuffix_);
  const char* extLabelNames[4] = {"前缀2标签", "新扩展名标签", "扩展名位数标签", "后缀2标签"};
  for (int i = 0; i < 4; ++i) extLabels_[i]->setObjectName(QString::fromUtf8(extLabelNames[i]));
  SetTag(extPrefix_, 5);
  SetTag(newExtension_, 6);
  SetTag(extDigits_, 7);
  SetTag(extSuffix_, 8);
  // The new extension shows in red.
  QPalette red = newExtension_->palette();
  red.setColor(QPalette::Text, FromColourRef(0x0000FF));
  newExtension_->setPalette(red);

  // For a tree added with its subfolders: each folder counts from the start value.
  restartPerFolder_ = new QCheckBox(QString::fromUtf8("每个目录重新编号"), page);
  restartPerFolder_->setObjectName(QString::fromUtf8("每个目录重新编号选择框"));
  Put(restartPerFolder_, 6, 50 - t + 2 * kGroupHeight + 4);
  connect(restartPerFolder_, &QCheckBox::clicked, this, &RulePage::passRequested);

  // The edit boxes all ask for a pass, as the prefix box does.
  for (QLineEdit* edit : {namePrefix_, mainName_, static_cast<QLineEdit*>(nameDigits_),
                          nameSuffix_, extPrefix_, newExtension_,
                          static_cast<QLineEdit*>(extDigits_), extSuffix_,
                          static_cast<QLineEdit*>(startValue_), static_cast<QLineEdit*>(increment_)})
    connect(edit, &QLineEdit::textChanged, this, &RulePage::passRequested);
}

void NumberingPage::Read(NamingOptions& o) const {
  o.numberingScope = scopeAll_->isChecked()   ? NumberingScope::kAll
                     : scopeExt_->isChecked() ? NumberingScope::kExtension
                                              : NumberingScope::kFileName;
  o.namePrefix = ToGb(namePrefix_->text());
  o.mainName = ToGb(mainName_->text());
  o.nameDigits = ToGb(nameDigits_->text());
  o.nameSuffix = ToGb(nameSuffix_->text());
  o.extPrefix = ToGb(extPrefix_->text());
  o.newExtension = ToGb(newExtension_->text());
  o.extDigits = ToGb(extDigits_->text());
  o.extSuffix = ToGb(extSuffix_->text());
  o.startValue = ToGb(startValue_->text());
  o.increment = ToGb(increment_->text());
  o.restartPerFolder = restartPerFolder_->isChecked();
}

void NumberingPage::Write(const NamingOptions& o) {
  (o.numberingScope == NumberingScope::kAll         ? scopeAll_
   : o.numberingScope == NumberingScope::kExtension ? scopeExt_
                                                    : scopeName_)
      ->setChecked(true);
  ApplyScope(o.numberingScope);
  namePrefix_->setText(FromGb(o.namePrefix));
  mainName_->setText(FromGb(o.mainName));
  nameDigits_->setText(FromGb(o.nameDigits));
  nameSuffix_->setText(FromGb(o.nameSuffix));
  extPrefix_->setText(FromGb(o.extPrefix));
  newExtension_->setText(FromGb(o.newExtension));
  extDigits_->setText(FromGb(o.extDigits));
  extSuffix_->setText(FromGb(o.extSuffix));
  startValue_->setText(FromGb(o.startValue));
  increment_->setText(FromGb(o.increment));
  restartPerFolder_->setChecked(o.restartPerFolder);
}

void NumberingPage::ApplyScope(NumberingScope scope) {
  const bool nameOn = scope != NumberingScope::kExtension;
  const bool extOn = scope != NumberingScope::kFileName;
  SetTextColour(nameGroup_, nameOn ? kBlack : kGrey);
  for (QLabel* l : nameLabels_) SetTextColour(l, nameOn ? kBlack : kGrey);
  for (QLineEdit* e : {namePrefix_, mainName_, static_cast<QLineEdit*>(nameDigits_), nameSuffix_})
    e->setEnabled(nameOn);
  SetTextColour(extGroup_, extOn ? kBlack : kGrey);
  for (QLabel* l : extLabels_) SetTextColour(l, extOn ? kBlack : kGrey);
  for (QLineEdit* e : {extPrefix_, newExtension_, static_cast<QLineEdit*>(extDigits_), extSuffix_})
    e->setEnabled(extOn);
}

void NumberingPage::OnClear() {
  // The nine writes below each raise a change; with automatic preview off for their
  // duration they run no pass, and the one pass at the end covers them all.
  const bool autoPreview = settings_.autoPreview;
  settings_.autoPreview = false;
  for (QLineEdit* e : {namePrefix_, mainName_, static_cast<QLineEdit*>(nameDigits_), nameSuffix_,
                       extPrefix_, newExtension_, static_cast<QLineEdit*>(extDigits_), extSuffix_,
                       static_cast<QLineEdit*>(startValue_)})
    e->setText(QString());
  settings_.autoPreview = autoPreview;
  emit passRequested();
}

}  // namespace

RulePage* MakeNumberingPage(AppSettings& settings) { return new NumberingPage(settings); }

}  // namespace tessarn
