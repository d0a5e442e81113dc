#include "ui/chinese_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "ui/gb_qt.h"

namespace tessarn {
namespace {

// The items in the order of their enum's values.
QComboBox* Combo(QWidget* parent, const char* name, std::initializer_list<const char*> items) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(QString::fromUtf8(name));
  for (const char* item : items) combo->addItem(QString::fromUtf8(item));
  return combo;
}

QRadioButton* Radio(QWidget* parent, const char* name, const char* text) {
  auto* radio = new QRadioButton(QString::fromUtf8(text), parent);
  radio->setObjectName(QString::fromUtf8(name));
  return radio;
}

QLabel* Label(QWidget* parent, const char* text, QWidget* buddy) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

ChinesePage::ChinesePage(QWidget* parent) : QWidget(parent) {
  setObjectName(QString::fromUtf8("中文选项页"));
  scopeName_ = Radio(this, "中文文件名单选框", "文件名");
  scopeExt_ = Radio(this, "中文扩展名单选框", "扩展名");
  scopeAll_ = Radio(this, "中文全部单选框", "全部");
  scopeName_->setChecked(true);
  script_ = Combo(this, "简繁转换组合框",
                  {"不转换", "简体→繁体", "繁体→简体", "简体→台湾正体", "台湾正体→简体",
                   "简体→香港繁体", "香港繁体→简体"});
  numerals_ = Combo(this, "中文数字组合框", {"不转换", "中文→阿拉伯", "阿拉伯→中文"});
  pinyin_ = Combo(this, "拼音组合框", {"不转换", "全拼", "首字母"});
  tone_ = Combo(this, "声调组合框", {"无", "标调", "数字"});
  capitalize_ = new QCheckBox(QString::fromUtf8("首字母大写"), this);
  capitalize_->setObjectName(QString::fromUtf8("首字母大写选择框"));
  separator_ = new QLineEdit(QStringLiteral(" "), this);
  separator_->setObjectName(QString::fromUtf8("拼音分隔符编辑框"));
  separator_->setMaximumWidth(60);
  width_ = Combo(this, "全半角组合框", {"不转换", "全角→半角", "半角→全角"});

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(8, 6, 8, 6);
  grid->setVerticalSpacing(4);
  auto* scopes = new QHBoxLayout;
  for (QRadioButton* r : {scopeName_, scopeExt_, scopeAll_}) scopes->addWidget(r);
  scopes->addStretch();
  grid->addWidget(Label(this, "作用于：", scopeName_), 0, 0);
  grid->addLayout(scopes, 0, 1, 1, 3);
  grid->addWidget(Label(this, "简繁转换：", script_), 1, 0);
  grid->addWidget(script_, 1, 1);
  grid->addWidget(Label(this, "中文数字：", numerals_), 1, 2);
  grid->addWidget(numerals_, 1, 3);
  grid->addWidget(Label(this, "拼音：", pinyin_), 2, 0);
  grid->addWidget(pinyin_, 2, 1);
  grid->addWidget(Label(this, "声调：", tone_), 2, 2);
  auto* pinyinRow = new QHBoxLayout;
  pinyinRow->addWidget(tone_);
  pinyinRow->addWidget(capitalize_);
  pinyinRow->addWidget(Label(this, "分隔符：", separator_));
  pinyinRow->addWidget(separator_);
  pinyinRow->addStretch();
  grid->addLayout(pinyinRow, 2, 3);
  grid->addWidget(Label(this, "全角/半角：", width_), 3, 0);
  grid->addWidget(width_, 3, 1);
  grid->setColumnStretch(3, 1);
  grid->setRowStretch(4, 1);

  for (QRadioButton* r : {scopeName_, scopeExt_, scopeAll_})
    connect(r, &QRadioButton::clicked, this, &ChinesePage::changed);
  for (QComboBox* c : {script_, numerals_, pinyin_, tone_, width_})
    connect(c, &QComboBox::currentIndexChanged, this, [this] {
      UpdateEnabling();
      emit changed();
    });
  connect(capitalize_, &QCheckBox::toggled, this, &ChinesePage::changed);
  connect(separator_, &QLineEdit::textChanged, this, &ChinesePage::changed);
  UpdateEnabling();
}

void ChinesePage::UpdateEnabling() {
  const bool pinyin = pinyin_->currentIndex() > 0;
  tone_->setEnabled(pinyin && pinyin_->currentIndex() == static_cast<int>(PinyinMode::kFull));
  capitalize_->setEnabled(pinyin);
  separator_->setEnabled(pinyin);
}

void ChinesePage::Read(NamingOptions& options) const {
  options.chineseScope = scopeAll_->isChecked()   ? ChineseScope::kAll
                         : scopeExt_->isChecked() ? ChineseScope::kExtension
                                                  : ChineseScope::kFileName;
  ChineseTextOptions& c = options.chinese;
  c.script = static_cast<ScriptConversion>(std::max(0, script_->currentIndex()));
  c.numerals = static_cast<NumeralConversion>(std::max(0, numerals_->currentIndex()));
  c.pinyin = static_cast<PinyinMode>(std::max(0, pinyin_->currentIndex()));
  c.tone = static_cast<PinyinTone>(std::max(0, tone_->currentIndex()));
  c.capitalize = capitalize_->isChecked();
  c.separator = ToGb(separator_->text());
  c.width = static_cast<WidthConversion>(std::max(0, width_->currentIndex()));
}

}  // namespace tessarn
