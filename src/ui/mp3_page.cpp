// Page "MP3标签": names from ID3 tags through a template.
#include <QAbstractButton>
#include <QComboBox>
#include <QFrame>
#include <QPushButton>

#include "core/rules/tag_template_rule.h"
#include "ui/gb_qt.h"
#include "ui/page_layout.h"
#include "ui/rule_page.h"

namespace tessarn {
namespace {

using namespace page_layout;

class Mp3Page : public RulePage {
 public:
  Mp3Page();
  void Read(NamingOptions& o) const override {
    o.tagTemplate = ToGb(templateBox_->text());
    o.v1First = v1First_->isChecked();
  }
  void Write(const NamingOptions& o) override {
    templateBox_->setText(FromGb(o.tagTemplate));
    (o.v1First ? v1First_ : v2First_)->setChecked(true);
  }

 private:
  void OnTemplateChanged();
  void OnPresetChosen(int index);
  void OnPlaceholderButton(QAbstractButton* button) {
    templateBox_->setText(
        FromGb(InsertPlaceholder(ToGb(templateBox_->text()), button->property("tag").toInt())));
  }

  QComboBox* presets_;
  QRadioButton* v1First_;
  QRadioButton* v2First_;
  QLineEdit* templateBox_;
  QLineEdit* referenceBox_;
  QPushButton* nameTags_;
};

Mp3Page::Mp3Page() {
  QWidget* page = this;
  const int t = kTabRow;
  presets_ = new QComboBox(page);
  presets_->setObjectName(QString::fromUtf8("预定义方案组合框"));
  for (const TagTemplatePreset& preset : TagTemplatePresets())
    presets_->addItem(FromGb(preset.itemText));
  presets_->setCurrentIndex(-1);
  Put(presets_, 87, 28 - t, 224, 22);
  Label(page, "预定义方案：", 10, 32 - t, presets_);
  connect(presets_, &QComboBox::activated, this, &Mp3Page::OnPresetChosen);

  v1First_ = Radio(page, "V1优先单选框", "ID3v1.x优先", 328, 29 - t);
  v2First_ = Radio(page, "V2优先单选框", "ID3v2.x优先", 456, 29 - t);
  v2First_->setChecked(true);
  connect(v1First_, &QRadioButton::clicked, this, &RulePage::passRequested);
  connect(v2First_, &QRadioButton::clicked, this, &RulePage::passRequested);

  templateBox_ = Edit(page, "MP3命名规则编辑框", 87, 52 - t, 495);
  Label(page, "命名规则：", 10, 57 - t, templateBox_);
  connect(templateBox_, &QLineEdit::textChanged, this, &Mp3Page::OnTemplateChanged);

  referenceBox_ = Edit(page, "参照编辑框", 87, 76 - t, 495);
  referenceBox_->setReadOnly(true);
  referenceBox_->setFocusPolicy(Qt::ClickFocus);
  QPalette grey = referenceBox_->palette();
  grey.setColor(QPalette::Base, kGrey);
  grey.setColor(QPalette::Text, Qt::white);
  referenceBox_->setPalette(grey);

  auto* frame = new QFrame(page);
  frame->setFrameShape(QFrame::StyledPanel);
  Put(frame, 87, 99 - t, 495, 24);
  int i = 0;
  for (const PlaceholderButton& b : PlaceholderButtons()) {
    auto* button = new QPushButton(FromGb(b.caption), frame);
    button->setObjectName(QString::fromUtf8(b.objectName));
    button->setFocusPolicy(Qt::TabFocus);
    SetTag(button, b.tag);
    Put(button, 1 + 82 * i++, 2, 82, 20);
    connect(button, &QPushButton::clicked, this, [this, button] { OnPlaceholderButton(button); });
  }

  // The template read the other way: the names give the tags.
  nameTags_ = new QPushButton(QString::fromUtf8("从文件名写入标签"), page);
  nameTags_->setObjectName(QString::fromUtf8("从文件名写入标签按钮"));
  nameTags_->setFocusPolicy(Qt::TabFocus);
  Put(nameTags_, 87, 124 - t, 150, 20);
  connect(nameTags_, &QPushButton::clicked, this,
          [this] { emit commandRequested(QStringLiteral("nameTags")); });
}

void Mp3Page::OnTemplateChanged() {
  const std::string tmpl = ToGb(templateBox_->text());
  referenceBox_->setText(FromGb(TemplateReferenceText(tmpl)));
  const std::string limited = LimitTagTemplate(tmpl);
  if (limited != tmpl) {
    // Writing the shortened text raises this handler again, which shows the
    // reference line and runs the pass for it.
    templateBox_->setText(FromGb(limited));
    return;
  }
  emit passRequested();
}

void Mp3Page::OnPresetChosen(int index) {
  const auto& presets = TagTemplatePresets();
  if (index < 0 || static_cast<std::size_t>(index) >= presets.size()) return;
  templateBox_->setText(FromGb(presets[static_cast<std::size_t>(index)].templateText));
  presets_->setCurrentIndex(-1);
  templateBox_->setFocus();
  emit passRequested();
}

}  // namespace

RulePage* MakeMp3Page(AppSettings&) { return new Mp3Page; }

}  // namespace tessarn
