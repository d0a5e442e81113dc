#include "ui/option_tabs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/rules/tag_template_rule.h"
#include "ui/gb_qt.h"
#include "ui/metadata_page.h"
#include "ui/number_box.h"

namespace tessarn {

namespace {

// The pages were drawn for a tab control whose tab row is 20 pixels high; page
// coordinates are those of the tab control less that row.
constexpr int kTabRow = 20;
constexpr int kEditHeight = 20;
constexpr int kGroupHeight = 43;
constexpr int kGroupRow = 19;
const QColor kBlack(0, 0, 0);
const QColor kGrey(0x80, 0x80, 0x80);

void SetTextColour(QWidget* w, const QColor& colour) {
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, colour);
  p.setColor(QPalette::Text, colour);
  w->setPalette(p);
}

// Places a widget with its top-left corner at (x, y); a negative size takes the
// widget's own preferred size.
template <class W>
W* Put(W* w, int x, int y, int width = -1, int height = -1) {
  const QSize hint = w->sizeHint();
  w->setGeometry(x, y, width < 0 ? hint.width() : width, height < 0 ? hint.height() : height);
  return w;
}

QLabel* Label(QWidget* parent, const char* text, int x, int y, QWidget* buddy = nullptr) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  if (buddy) label->setBuddy(buddy);
  // Labels were placed by their text's top; centre them a little higher.
  return Put(label, x, y - 2);
}

QLineEdit* Edit(QWidget* parent, const char* name, int x, int y, int width,
                int height = kEditHeight) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromUtf8(name));
  return Put(edit, x, y, width, height);
}

NumberBox* Number(QWidget* parent, const char* name, int minimum, int maximum, int maxLength,
                  const char* text, int x, int y, int width, int height = kEditHeight) {
  auto* box = new NumberBox(minimum, maximum, maxLength, parent);
  box->setObjectName(QString::fromUtf8(name));
  box->setText(QString::fromUtf8(text));
  return Put(box, x, y, width, height);
}

QRadioButton* Radio(QWidget* parent, const char* name, const char* text, int x, int y) {
  auto* radio = new QRadioButton(QString::fromUtf8(text), parent);
  radio->setObjectName(QString::fromUtf8(name));
  return Put(radio, x, y - 3);
}

QGroupBox* Group(QWidget* parent, const char* name, const char* title, int x, int y, int width,
                 int height) {
  auto* group = new QGroupBox(QString::fromUtf8(title), parent);
  group->setObjectName(QString::fromUtf8(name));
  return Put(group, x, y, width, height);
}

void SetTag(QObject* o, int tag) { o->setProperty("tag", tag); }

}  // namespace

OptionTabs::OptionTabs(AppSettings& settings, QWidget* parent)
    : QTabWidget(parent), settings_(settings) {
  setObjectName(QString::fromUtf8("选择夹"));
  addTab(BuildNumberingPage(), QString::fromUtf8("常规"));
  addTab(BuildReplacePage(), QString::fromUtf8("替换/删除"));
  addTab(BuildInsertPage(), QString::fromUtf8("插入"));
  addTab(BuildCasePage(), QString::fromUtf8("大小写"));
  addTab(BuildMp3Page(), QString::fromUtf8("MP3标签"));
  metadataPage_ = new MetadataPage;
  addTab(metadataPage_, QString::fromUtf8("元数据"));
  connect(metadataPage_, &MetadataPage::passRequested, this, &OptionTabs::passRequested);
  BindSharedHandlers();
  // Files dropped anywhere on the window are added to the list; the boxes do not
  // take them as text.
  for (QLineEdit* edit : findChildren<QLineEdit*>()) edit->setAcceptDrops(false);
}

QWidget* OptionTabs::BuildNumberingPage() {
  auto* page = new QWidget;
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
  connect(clearButton_, &QPushButton::clicked, this, &OptionTabs::OnClear);

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

  // The prefix box's own handler; the other boxes are bound to it by their tags.
  connect(namePrefix_, &QLineEdit::textChanged, this, &OptionTabs::OnNamePrefixChanged);
  return page;
}

QWidget* OptionTabs::BuildReplacePage() {
  auto* page = new QWidget;
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
  connect(caseSensitive_, &QCheckBox::clicked, this, &OptionTabs::passRequested);
  regex_ = new QCheckBox(QString::fromUtf8("正则表达式"), group);
  regex_->setObjectName(QString::fromUtf8("正则表达式选择框"));
  Put(regex_, 291 + caseSensitive_->sizeHint().width() + 16, row1);
  connect(regex_, &QCheckBox::clicked, this, &OptionTabs::passRequested);

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
  connect(replaceNameOnly_, &QRadioButton::clicked, this, &OptionTabs::OnNameOnlyClicked);
  return page;
}

QWidget* OptionTabs::BuildInsertPage() {
  auto* page = new QWidget;
  const int t = kTabRow;
  Label(page, "欲插入的字符：", 18, 34 - t);
  nameInsertText_ = Edit(page, "插入到文件名的字符编辑框", 168, 31 - t, 96);
  Label(page, "文件名：", 113, 34 - t, nameInsertText_);
  extInsertText_ = Edit(page, "插入到扩展名的字符编辑框", 321, 31 - t, 96);
  extInsertLabel_ = Label(page, "扩展名：", 273, 34 - t, extInsertText_);
  extInsertLabel_->setObjectName(QString::fromUtf8("插入扩展名标签"));
  keepSame_ = new QCheckBox(QString::fromUtf8("保持一致"), page);
  keepSame_->setObjectName(QString::fromUtf8("保持一致选择框"));
  Put(keepSame_, 440, 31 - t);
  connect(nameInsertText_, &QLineEdit::textChanged, this, &OptionTabs::OnNameInsertTextChanged);
  // What the user types into the extension box shows at once; the copy the keep-same
  // link writes there comes with the pass of the file-name box.
  connect(extInsertText_, &QLineEdit::textEdited, this, &OptionTabs::passRequested);
  connect(keepSame_, &QCheckBox::clicked, this, &OptionTabs::OnKeepSameClicked);

  struct Row {
    const char* caption;
    const char* groupName;
    int y;
    const char* atPosName;
    const char* boxName;
    const char* atEndName;
    const char* atEndText;
    QRadioButton** atPos;
    NumberBox** box;
    QRadioButton** atEnd;
  };
  const Row rows[2] = {
      {"插入到文件名：", "分组框1", 49, "插入文件名位置单选框", "插入文件名位置编辑框",
       "插入文件名尾单选框", "文件名尾", &nameInsertAtPos_, &nameInsertPos_, &nameInsertAtEnd_},
      {"插入到扩展名：", "分组框2", 87, "插入扩展名位置单选框", "插入扩展名位置编辑框",
       "插入扩展名尾单选框", "扩展名尾", &extInsertAtPos_, &extInsertPos_, &extInsertAtEnd_},
  };
  for (const Row& row : rows) {
    auto* group = Group(page, row.groupName, "", 114, row.y - t, 462, 35);
    *row.atPos = Radio(group, row.atPosName, "插入到第", 8, 15);
    *row.box = Number(group, row.boxName, 1, 255, 3, "1", 90, 8, 56);
    Label(group, "个位置", 160, 15);
    *row.atEnd = Radio(group, row.atEndName, row.atEndText, 336, 15);
    (*row.atPos)->setChecked(true);
    Label(page, row.caption, 18, row.y + 15 - t, *row.box);
    connect(*row.atPos, &QRadioButton::clicked, this, &OptionTabs::OnInsertModeClicked);
    connect(*row.atEnd, &QRadioButton::clicked, this, &OptionTabs::OnInsertModeClicked);
    connect(*row.box, &QLineEdit::textChanged, this, &OptionTabs::passRequested);
  }
  return page;
}

QWidget* OptionTabs::BuildCasePage() {
  auto* page = new QWidget;
  const char* captions[4] = {"全部大写", "全部小写", "首字母大写", "首字母小写"};
  const int xs[4] = {24, 24, 144, 144};
  const int ys[4] = {24, 50, 24, 50};
  auto* nameGroup = Group(page, "分组框6", "文件名", 10, 38 - kTabRow, 278, 81);
  auto* extGroup = Group(page, "分组框7", "扩展名", 303, 38 - kTabRow, 278, 81);
  const char* nameNames[4] = {"文件名全部大写单选框", "文件名全部小写单选框",
                              "文件名首字母大写单选框", "文件名首字母小写单选框"};
  const char* extNames[4] = {"扩展名全部大写单选框", "扩展名全部小写单选框",
                             "扩展名首字母大写单选框", "扩展名首字母小写单选框"};
  for (int i = 0; i < 4; ++i) {
    nameCase_[i] = Radio(nameGroup, nameNames[i], captions[i], xs[i], ys[i]);
    extCase_[i] = Radio(extGroup, extNames[i], captions[i], xs[i], ys[i]);
    SetTag(nameCase_[i], 22 + i);
    SetTag(extCase_[i], 26 + i);
  }
  nameCase_[0]->setChecked(true);
  extCase_[0]->setChecked(true);
  return page;
}

QWidget* OptionTabs::BuildMp3Page() {
  auto* page = new QWidget;
  const int t = kTabRow;
  presets_ = new QComboBox(page);
  presets_->setObjectName(QString::fromUtf8("预定义方案组合框"));
  for (const TagTemplatePreset& preset : TagTemplatePresets())
    presets_->addItem(FromGb(preset.itemText));
  presets_->setCurrentIndex(-1);
  Put(presets_, 87, 28 - t, 224, 22);
  Label(page, "预定义方案：", 10, 32 - t, presets_);
  connect(presets_, &QComboBox::activated, this, &OptionTabs::OnPresetChosen);

  v1First_ = Radio(page, "V1优先单选框", "ID3v1.x优先", 328, 29 - t);
  v2First_ = Radio(page, "V2优先单选框", "ID3v2.x优先", 456, 29 - t);
  v2First_->setChecked(true);
  connect(v1First_, &QRadioButton::clicked, this, &OptionTabs::passRequested);
  connect(v2First_, &QRadioButton::clicked, this, &OptionTabs::passRequested);

  templateBox_ = Edit(page, "MP3命名规则编辑框", 87, 52 - t, 495);
  Label(page, "命名规则：", 10, 57 - t, templateBox_);
  connect(templateBox_, &QLineEdit::textChanged, this, &OptionTabs::OnTemplateChanged);

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
    Put(button, 1 + 82 * i, 2, 82, 20);
    if (i++ == 0)
      connect(button, &QPushButton::clicked, this, [this, button] { OnPlaceholderButton(button); });
  }

  // The template read the other way: the names give the tags.
  nameTags_ = new QPushButton(QString::fromUtf8("从文件名写入标签"), page);
  nameTags_->setObjectName(QString::fromUtf8("从文件名写入标签按钮"));
  nameTags_->setFocusPolicy(Qt::TabFocus);
  Put(nameTags_, 87, 124 - t, 150, 20);
  connect(nameTags_, &QPushButton::clicked, this, &OptionTabs::nameTagsRequested);
  return page;
}

// The controls that behave alike carry numeric tags; each group is bound here to
// the handler of one of its members.
void OptionTabs::BindSharedHandlers() {
  for (int tag = 1; tag <= 11; ++tag)
    for (QLineEdit* edit : findChildren<QLineEdit*>())
      if (edit->property("tag").toInt() == tag)
        connect(edit, &QLineEdit::textChanged, this, &OptionTabs::OnNamePrefixChanged);
  for (int tag = 20; tag <= 29; ++tag)
    for (QRadioButton* radio : findChildren<QRadioButton*>())
      if (radio->property("tag").toInt() == tag)
        connect(radio, &QRadioButton::clicked, this, &OptionTabs::OnNameOnlyClicked);
  for (int tag = 52; tag <= 56; ++tag)
    for (QPushButton* button : findChildren<QPushButton*>())
      if (button->property("tag").toInt() == tag)
        connect(button, &QPushButton::clicked, this,
                [this, button] { OnPlaceholderButton(button); });
}

NamingOptions OptionTabs::ReadNamingOptions() const {
  NamingOptions o;
  o.page = static_cast<OptionPage>(currentIndex() < 0 ? 0 : currentIndex());

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

  o.findText = ToGb(findText_->text());
  o.replaceWith = ToGb(replaceWith_->text());
  o.replaceScope = replaceAll_->isChecked()       ? ReplaceScope::kAll
                   : replaceExtOnly_->isChecked() ? ReplaceScope::kExtensionOnly
                                                  : ReplaceScope::kFileNameOnly;
  o.caseSensitive = caseSensitive_->isChecked();
  o.regex = regex_->isChecked();

  o.nameInsertText = ToGb(nameInsertText_->text());
  o.extInsertText = ToGb(extInsertText_->text());
  o.keepSame = keepSame_->isChecked();
  o.nameInsertMode = nameInsertAtEnd_->isChecked() ? InsertMode::kAtEnd : InsertMode::kAtPosition;
  o.nameInsertPos = ToGb(nameInsertPos_->text());
  o.extInsertMode = extInsertAtEnd_->isChecked() ? InsertMode::kAtEnd : InsertMode::kAtPosition;
  o.extInsertPos = ToGb(extInsertPos_->text());

  const CaseRule rules[4] = {CaseRule::kAllUpper, CaseRule::kAllLower, CaseRule::kFirstUpper,
                             CaseRule::kFirstLower};
  for (int i = 0; i < 4; ++i) {
    if (nameCase_[i]->isChecked()) o.nameCase = rules[i];
    if (extCase_[i]->isChecked()) o.extCase = rules[i];
  }

  o.tagTemplate = ToGb(templateBox_->text());
  o.v1First = v1First_->isChecked();

  o.metaTemplate = metadataPage_->TemplateText();
  o.metaLowerExtension = metadataPage_->LowerExtension();
  return o;
}

void OptionTabs::ApplyNumberingScope(NumberingScope scope) {
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

void OptionTabs::OnNamePrefixChanged() { emit passRequested(); }

void OptionTabs::OnNameOnlyClicked() { emit passRequested(); }

void OptionTabs::OnScopeClicked(NumberingScope scope) {
  ApplyNumberingScope(scope);
  emit passRequested();
}

void OptionTabs::OnClear() {
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

void OptionTabs::OnKeepSameClicked() {
  if (keepSame_->isChecked()) {
    SetTextColour(extInsertLabel_, kGrey);
    extInsertText_->setEnabled(false);
    extInsertText_->setText(nameInsertText_->text());
  } else {
    SetTextColour(extInsertLabel_, kBlack);
    extInsertText_->setEnabled(true);
  }
  emit passRequested();
}

void OptionTabs::OnNameInsertTextChanged() {
  if (keepSame_->isChecked()) extInsertText_->setText(nameInsertText_->text());
  emit passRequested();
}

void OptionTabs::OnInsertModeClicked() {
  nameInsertPos_->setEnabled(nameInsertAtPos_->isChecked());
  extInsertPos_->setEnabled(extInsertAtPos_->isChecked());
  emit passRequested();
}

void OptionTabs::OnTemplateChanged() {
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

void OptionTabs::OnPresetChosen(int index) {
  const auto& presets = TagTemplatePresets();
  if (index < 0 || static_cast<std::size_t>(index) >= presets.size()) return;
  templateBox_->setText(FromGb(presets[static_cast<std::size_t>(index)].templateText));
  presets_->setCurrentIndex(-1);
  templateBox_->setFocus();
  emit passRequested();
}

void OptionTabs::OnPlaceholderButton(QAbstractButton* button) {
  templateBox_->setText(
      FromGb(InsertPlaceholder(ToGb(templateBox_->text()), button->property("tag").toInt())));
}

}  // namespace tessarn
