#include "ui/settings_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/text/encoding.h"
#include "ui/gb_qt.h"
#include "ui/number_box.h"

namespace tessarn {

namespace {

constexpr int kCountMinimum = 1;
constexpr int kCountMaximum = 200;
constexpr int kCountMaxLength = 3;

QFont ToQFont(const SettingsDialog::FontChoice& choice) {
  QFont font(FromGb(choice.face));
  if (choice.size > 0) font.setPointSize(choice.size);
  font.setBold(choice.bold);
  font.setItalic(choice.italic);
  return font;
}

std::optional<QFont> RunFontDialog(const QFont& initial, QWidget* parent) {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, initial, parent, QStringLiteral("字体"));
  if (!ok) return std::nullopt;
  return chosen;
}

QPushButton* MakeButton(const char* name, const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setAutoDefault(false);
  return button;
}

// The items of the "旧标签编码" box, in the order of LegacyEncoding.
constexpr LegacyEncoding kLegacyItems[] = {LegacyEncoding::kAuto, LegacyEncoding::kGbk,
                                           LegacyEncoding::kLatin1};

}  // namespace

SettingsDialog::SettingsDialog(AppSettings& settings, std::function<void()> applyToList,
                               QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      applyToList_(std::move(applyToList)),
      fontChooser_(RunFontDialog) {
  setWindowTitle(QStringLiteral("设置"));
  setModal(true);
  setAttribute(Qt::WA_DeleteOnClose, false);
  BuildControls();
  Fill();
}

void SettingsDialog::BuildControls() {
  autoPreview_ = new QCheckBox(QStringLiteral("自动预览"), this);
  autoPreview_->setObjectName(QStringLiteral("自动预览选择框"));

  auto* frame = new QGroupBox(this);
  frame->setObjectName(QStringLiteral("分组框1"));
  previewCount_ = new QRadioButton(QStringLiteral("预览的项目数："), frame);
  previewCount_->setObjectName(QStringLiteral("预览指定数量单选框"));
  countBox_ = new NumberBox(kCountMinimum, kCountMaximum, kCountMaxLength, frame);
  countBox_->setObjectName(QStringLiteral("预览数量编辑框"));
  countBox_->setText(QStringLiteral("10"));
  countBox_->setFixedWidth(52);
  previewAll_ = new QRadioButton(QStringLiteral("预览全部"), frame);
  previewAll_->setObjectName(QStringLiteral("预览全部单选框"));
  auto* frameLayout = new QGridLayout(frame);
  frameLayout->addWidget(previewCount_, 0, 0);
  frameLayout->addWidget(countBox_, 0, 1);
  frameLayout->addWidget(previewAll_, 1, 0, 1, 2);
  frameLayout->setColumnStretch(2, 1);

  auto* label3 = new QLabel(QStringLiteral("预览框背景的颜色"), this);
  label3->setObjectName(QStringLiteral("标签3"));
  backColour_ = new ColourButton(this);
  backColour_->setObjectName(QStringLiteral("超级列表框背景颜色选择器"));
  auto* label2 = new QLabel(QStringLiteral("预览框字体的颜色"), this);
  label2->setObjectName(QStringLiteral("标签2"));
  textColour_ = new ColourButton(this);
  textColour_->setObjectName(QStringLiteral("超级列表框字体颜色选择器"));
  auto* label1 = new QLabel(QStringLiteral("预览框字体的大小"), this);
  label1->setObjectName(QStringLiteral("标签1"));
  fontButton_ = MakeButton("字体按钮", QStringLiteral("字体..."), this);
  for (QPushButton* b : {static_cast<QPushButton*>(backColour_),
                         static_cast<QPushButton*>(textColour_), fontButton_})
    b->setFixedSize(60, 22);

  auto* right = new QGridLayout;
  right->addWidget(label3, 0, 0);
  right->addWidget(backColour_, 0, 1);
  right->addWidget(label2, 1, 0);
  right->addWidget(textColour_, 1, 1);
  right->addWidget(label1, 2, 0);
  right->addWidget(fontButton_, 2, 1);

  auto* left = new QVBoxLayout;
  left->addWidget(autoPreview_);
  left->addWidget(frame);
  left->addStretch();

  auto* top = new QHBoxLayout;
  top->addLayout(left);
  top->addSpacing(12);
  top->addLayout(right);

  QWidget* tagControls = BuildTagControls();
  QWidget* historyControls = BuildHistoryControls();

  auto* line = new QFrame(this);
  line->setObjectName(QStringLiteral("外形框2"));
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);

  defaultButton_ = MakeButton("默认按钮", QStringLiteral("恢复默认"), this);
  okButton_ = MakeButton("确定按钮", QStringLiteral("确定"), this);
  okButton_->setDefault(true);
  cancelButton_ = MakeButton("取消按钮", QStringLiteral("取消"), this);
  applyButton_ = MakeButton("应用按钮", QStringLiteral("应用"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* b : {defaultButton_, okButton_, cancelButton_, applyButton_})
    buttons->addWidget(b);

  auto* outer = new QVBoxLayout(this);
  outer->addLayout(top);
  outer->addWidget(tagControls);
  outer->addWidget(historyControls);
  outer->addWidget(line);
  outer->addLayout(buttons);
  resize(411, 240);

  connect(autoPreview_, &QCheckBox::clicked, this, [this] {
    ApplyEnablingRule();
    applyButton_->setEnabled(true);
  });
  connect(previewAll_, &QRadioButton::clicked, this, [this] {
    applyButton_->setEnabled(true);
    countBox_->setEnabled(false);
  });
  connect(previewCount_, &QRadioButton::clicked, this, [this] {
    applyButton_->setEnabled(true);
    countBox_->setEnabled(true);
  });
  connect(countBox_, &QLineEdit::textChanged, this, [this] { OnCountTextChanged(); });
  for (ColourButton* picker : {backColour_, textColour_})
    connect(picker, &ColourButton::colourPicked, this, [this] { applyButton_->setEnabled(true); });
  connect(fontButton_, &QPushButton::clicked, this, [this] { ChooseFont(); });
  connect(defaultButton_, &QPushButton::clicked, this, [this] { RestoreDefaults(); });
  connect(applyButton_, &QPushButton::clicked, this, [this] { OnApply(); });
  connect(okButton_, &QPushButton::clicked, this, [this] { OnOk(); });
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

// Tag text: a group of two radio buttons for how changed ID3v2 frames are written,
// and a box for how text of unknown encoding is read.
QWidget* SettingsDialog::BuildTagControls() {
  auto* box = new QWidget(this);
  auto* group = new QGroupBox(QStringLiteral("ID3v2写入编码"), box);
  group->setObjectName(QStringLiteral("ID3v2写入编码分组框"));
  writeUnicode_ = new QRadioButton(QStringLiteral("Unicode"), group);
  writeUnicode_->setObjectName(QStringLiteral("Unicode写入单选框"));
  writeGbk_ = new QRadioButton(QStringLiteral("GBK"), group);
  writeGbk_->setObjectName(QStringLiteral("GBK写入单选框"));
  auto* groupLayout = new QHBoxLayout(group);
  groupLayout->addWidget(writeUnicode_);
  groupLayout->addWidget(writeGbk_);
  groupLayout->addStretch();

  auto* label = new QLabel(QStringLiteral("旧标签编码"), box);
  label->setObjectName(QStringLiteral("旧标签编码标签"));
  legacyEncoding_ = new QComboBox(box);
  legacyEncoding_->setObjectName(QStringLiteral("旧标签编码组合框"));
  legacyEncoding_->addItems(
      {QStringLiteral("自动"), QStringLiteral("GBK"), QStringLiteral("Latin-1")});
  label->setBuddy(legacyEncoding_);

  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(group, 1);
  layout->addSpacing(12);
  layout->addWidget(label);
  layout->addWidget(legacyEncoding_);

  for (QRadioButton* b : {writeUnicode_, writeGbk_})
    connect(b, &QRadioButton::clicked, this, [this] { applyButton_->setEnabled(true); });
  connect(legacyEncoding_, &QComboBox::currentIndexChanged, this,
          [this] { applyButton_->setEnabled(true); });
  return box;
}

// The undo history's size bound, in MB: the oldest runs go when their records
// together would take more.
QWidget* SettingsDialog::BuildHistoryControls() {
  auto* box = new QWidget(this);
  auto* label = new QLabel(QStringLiteral("撤消历史大小上限"), box);
  label->setObjectName(QStringLiteral("撤消历史上限标签"));
  historyLimit_ = new QSpinBox(box);
  historyLimit_->setObjectName(QStringLiteral("撤消历史上限框"));
  historyLimit_->setRange(1, 1024 * 1024);
  historyLimit_->setSuffix(QStringLiteral(" MB"));
  historyLimit_->setToolTip(
      QStringLiteral("撤消记录共同占用的最大空间；超出时先删除最早的操作（最多保留 100 次操作）"));
  label->setBuddy(historyLimit_);
  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(label);
  layout->addWidget(historyLimit_);
  layout->addStretch();
  connect(historyLimit_, &QSpinBox::valueChanged, this, [this] { applyButton_->setEnabled(true); });
  return box;
}

void SettingsDialog::ShowTagEncodings(TagWriteEncoding write, LegacyEncoding legacy) {
  (write == TagWriteEncoding::kGbk ? writeGbk_ : writeUnicode_)->setChecked(true);
  for (int i = 0; i < static_cast<int>(std::size(kLegacyItems)); ++i)
    if (kLegacyItems[i] == legacy) legacyEncoding_->setCurrentIndex(i);
}

void SettingsDialog::SetColourChooser(const ColourButton::Chooser& chooser) {
  backColour_->setChooser(chooser);
  textColour_->setChooser(chooser);
}

// Puts AppSettings into the controls. The count box's first change is the fill's own;
// only later changes count as the user's (see OnCountTextChanged).
void SettingsDialog::Fill() {
  autoPreview_->setChecked(settings_.autoPreview);
  if (!settings_.previewAll)
    previewCount_->setChecked(true);
  else
    previewAll_->setChecked(true);
  countBox_->setText(QString::number(settings_.previewCount));
  // setText raises no change when the text is already there ("10" is the design text),
  // so the mark is set here as well.
  countMarked_ = true;
  backColour_->setColourRef(settings_.backColour);
  textColour_->setColourRef(settings_.textColour);
  font_.face = settings_.fontName;
  font_.size = settings_.fontSize;
  font_.bold = settings_.bold;
  font_.italic = settings_.italic;
  ShowTagEncodings(settings_.tagWriteEncoding, settings_.legacyEncoding);
  historyLimit_->setValue(settings_.historyLimitMiB);
  ApplyEnablingRule();
  applyButton_->setEnabled(false);
}

void SettingsDialog::ApplyEnablingRule() {
  const bool on = autoPreview_->isChecked();
  previewCount_->setEnabled(on);
  previewAll_->setEnabled(on);
  countBox_->setEnabled(on && previewCount_->isChecked());
}

void SettingsDialog::OnCountTextChanged() {
  if (countMarked_) applyButton_->setEnabled(true);
  countMarked_ = true;
}

void SettingsDialog::ChooseFont() {
  const std::optional<QFont> chosen = fontChooser_(ToQFont(font_), this);
  if (!chosen) return;
  font_.face = ToGb(chosen->family());
  if (chosen->pointSize() > 0) font_.size = chosen->pointSize();
  font_.bold = chosen->bold();
  font_.italic = chosen->italic();
  applyButton_->setEnabled(true);
}

void SettingsDialog::RestoreDefaults() {
  applyButton_->setEnabled(true);
  AppSettings defaults;
  SetDefaultSettings(defaults);
  autoPreview_->setChecked(defaults.autoPreview);
  previewCount_->setChecked(true);
  countBox_->setText(QString::number(defaults.previewCount));
  previewAll_->setChecked(false);
  backColour_->setColourRef(defaults.backColour);
  textColour_->setColourRef(defaults.textColour);
  font_.face = defaults.fontName;
  font_.size = defaults.fontSize;
  font_.bold = defaults.bold;
  font_.italic = defaults.italic;
  ShowTagEncodings(defaults.tagWriteEncoding, defaults.legacyEncoding);
  historyLimit_->setValue(defaults.historyLimitMiB);
  ApplyEnablingRule();
}

// The only place the dialog writes AppSettings. The chooser's bold and italic go
// along with its face and size, so that the list shows what the user picked.
void SettingsDialog::Store() {
  settings_.autoPreview = autoPreview_->isChecked();
  settings_.previewAll = previewAll_->isChecked();
  settings_.previewCount = ProfileNumber(ToGb(countBox_->text()));
  settings_.backColour = backColour_->colourRef();
  settings_.textColour = textColour_->colourRef();
  settings_.fontName = font_.face;
  settings_.fontSize = font_.size;
  settings_.bold = font_.bold;
  settings_.italic = font_.italic;
  settings_.tagWriteEncoding =
      writeGbk_->isChecked() ? TagWriteEncoding::kGbk : TagWriteEncoding::kUnicode;
  settings_.legacyEncoding = kLegacyItems[std::max(0, legacyEncoding_->currentIndex())];
  settings_.historyLimitMiB = historyLimit_->value();
}

void SettingsDialog::OnApply() {
  applyButton_->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Store();
  if (applyToList_) applyToList_();
  QApplication::restoreOverrideCursor();
}

void SettingsDialog::OnOk() {
  if (applyButton_->isEnabled()) {
    Store();
    if (applyToList_) applyToList_();
  }
  accept();
}

}  // namespace tessarn
