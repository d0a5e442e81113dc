#include "ui/metadata_page.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include "core/metadata/name_template.h"
#include "ui/gb_qt.h"

namespace tessarn {

namespace {

// The page's rows, from the top of the page.
constexpr int kTemplateRow = 8;
constexpr int kExampleRow = 34;
constexpr int kOptionRow = 58;
constexpr int kProblemRow = 82;
constexpr int kBoxLeft = 87;
constexpr int kBoxWidth = 400;  // with the picker, within the page's 584 pixels

// The picker's sections: which placeholders each holds, by the reader they need.
struct PickerSection {
  const char* title;
  unsigned part;
};
constexpr PickerSection kSections[] = {
    {"音频标签", kAudioPart}, {"照片", kImagePart}, {"文件", kStatPart}, {"名称与序号", kNoParts}};

}  // namespace

MetadataPage::MetadataPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QString::fromUtf8("元数据选项页"));

  auto* label = new QLabel(QString::fromUtf8("命名模板："), this);
  label->setGeometry(10, kTemplateRow + 2, 76, 16);
  template_ = new QLineEdit(this);
  template_->setObjectName(QString::fromUtf8("元数据模板编辑框"));
  template_->setGeometry(kBoxLeft, kTemplateRow, kBoxWidth, 20);
  template_->setPlaceholderText(QString::fromUtf8("例如 {taken:%Y-%m-%d_%H%M%S} 或 {artist}-{title}"));
  label->setBuddy(template_);
  connect(template_, &QLineEdit::textChanged, this, &MetadataPage::OnTemplateChanged);

  // Each placeholder under its Chinese caption, so that nobody has to remember keys.
  picker_ = new QToolButton(this);
  picker_->setObjectName(QString::fromUtf8("元数据占位符按钮"));
  picker_->setText(QString::fromUtf8("插入占位符"));
  picker_->setPopupMode(QToolButton::InstantPopup);
  picker_->setGeometry(kBoxLeft + kBoxWidth + 4, kTemplateRow - 1, 88, 22);
  auto* menu = new QMenu(picker_);
  for (const PickerSection& section : kSections) {
    menu->addSection(QString::fromUtf8(section.title));
    for (const PlaceholderInfo& p : PlaceholderTable()) {
      if ((p.part & ~kLensPart) != section.part) continue;
      QAction* action = menu->addAction(QString::fromUtf8(p.caption) + QStringLiteral("  {") +
                                        QString::fromLatin1(p.key) + QStringLiteral("}"));
      action->setObjectName(QStringLiteral("占位符_") + QString::fromLatin1(p.key));
      const char* key = p.key;
      connect(action, &QAction::triggered, this, [this, key] { InsertPlaceholder(key); });
    }
  }
  picker_->setMenu(menu);

  auto* example = new QLabel(
      QString::fromUtf8("日期后加格式 {taken:%Y%m%d}，数字后加位数 {track:2}，竖线后是缺少时的替代文字 "
                        "{lens|无}；{n} 用“常规”页的起始量、增量与位数"),
      this);
  example->setGeometry(kBoxLeft, kExampleRow, 500, 18);
  example->setWordWrap(false);

  lowerExtension_ = new QCheckBox(QString::fromUtf8("扩展名改为小写"), this);
  lowerExtension_->setObjectName(QString::fromUtf8("扩展名小写选择框"));
  lowerExtension_->setGeometry(kBoxLeft, kOptionRow, 160, 18);
  connect(lowerExtension_, &QCheckBox::toggled, this, &MetadataPage::passRequested);

  problem_ = new QLabel(this);
  problem_->setObjectName(QString::fromUtf8("元数据模板提示标签"));
  problem_->setGeometry(kBoxLeft, kProblemRow, 500, 18);
  QPalette red = problem_->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  problem_->setPalette(red);
}

std::string MetadataPage::TemplateText() const { return ToGb(template_->text()); }

bool MetadataPage::LowerExtension() const { return lowerExtension_->isChecked(); }

void MetadataPage::OnTemplateChanged() {
  NameTemplate parsed;
  problem_->setText(FromGb(ParseNameTemplate(TemplateText(), parsed)));
  emit passRequested();
}

void MetadataPage::InsertPlaceholder(const char* key) {
  // At the cursor, in characters of the box; the core inserts by GB18030 bytes.
  const int cursor = template_->cursorPosition();
  const std::string before = ToGb(template_->text().left(cursor));
  const std::string text = InsertPlaceholderKey(TemplateText(), before.size(), key);
  template_->setText(FromGb(text));
  template_->setCursorPosition(cursor + static_cast<int>(std::string_view(key).size()) + 2);
  template_->setFocus();
}

}  // namespace tessarn
