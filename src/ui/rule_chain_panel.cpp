#include "ui/rule_chain_panel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/presets/preset_store.h"
#include "core/rules/rule_unit.h"
#include "ui/gb_qt.h"
#include "ui/option_tabs.h"

namespace tessarn {
namespace {

QPushButton* Button(QWidget* parent, const char* name, const char* text) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setAutoDefault(false);
  return button;
}

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace

RuleChainPanel::RuleChainPanel(OptionTabs& tabs, std::string configDir, UiPrompts& prompts,
                               QWidget* parent)
    : QWidget(parent), tabs_(tabs), configDir_(std::move(configDir)), prompts_(prompts) {
  setObjectName(QString::fromUtf8("规则链面板"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);

  auto* presetRow = new QHBoxLayout;
  auto* presetLabel = new QLabel(QString::fromUtf8("方案："), this);
  presets_ = new QComboBox(this);
  presets_->setObjectName(QString::fromUtf8("方案组合框"));
  presets_->setPlaceholderText(QString::fromUtf8("（选择方案）"));
  presets_->setMinimumContentsLength(8);
  presetLabel->setBuddy(presets_);
  auto* save = Button(this, "保存方案按钮", "保存方案...");
  auto* rename = Button(this, "重命名方案按钮", "重命名...");
  auto* remove = Button(this, "删除方案按钮", "删除");
  presetRow->addWidget(presetLabel);
  presetRow->addWidget(presets_, 1);
  layout->addLayout(presetRow);
  auto* presetButtons = new QHBoxLayout;
  presetButtons->addWidget(save);
  presetButtons->addWidget(rename);
  presetButtons->addWidget(remove);
  layout->addLayout(presetButtons);
  connect(presets_, &QComboBox::activated, this,
          [this](int index) { LoadPreset(presets_->itemText(index)); });
  connect(save, &QPushButton::clicked, this, &RuleChainPanel::SavePresetAs);
  connect(rename, &QPushButton::clicked, this, &RuleChainPanel::RenamePresetAsked);
  connect(remove, &QPushButton::clicked, this, &RuleChainPanel::DeletePresetAsked);

  auto* chainRow = new QHBoxLayout;
  steps_ = new QListWidget(this);
  steps_->setObjectName(QString::fromUtf8("规则链列表"));
  steps_->setToolTip(QString::fromUtf8("规则链：勾选的步骤按顺序作用，每一步从上一步的结果开始"));
  chainRow->addWidget(steps_, 1);
  auto* stepButtons = new QGridLayout;
  stepButtons->setSpacing(1);
  add_ = Button(this, "添加到规则链按钮", "添加到规则链");
  auto* up = Button(this, "上移步骤按钮", "上移");
  auto* down = Button(this, "下移步骤按钮", "下移");
  auto* edit = Button(this, "编辑步骤按钮", "编辑");
  auto* drop = Button(this, "删除步骤按钮", "删除");
  stepButtons->addWidget(add_, 0, 0, 1, 2);
  stepButtons->addWidget(up, 1, 0);
  stepButtons->addWidget(down, 1, 1);
  stepButtons->addWidget(edit, 2, 0);
  stepButtons->addWidget(drop, 2, 1);
  chainRow->addLayout(stepButtons);
  layout->addLayout(chainRow, 1);
  connect(add_, &QPushButton::clicked, this, &RuleChainPanel::AddOrUpdateStep);
  connect(up, &QPushButton::clicked, this, [this] { MoveStep(-1); });
  connect(down, &QPushButton::clicked, this, [this] { MoveStep(1); });
  connect(edit, &QPushButton::clicked, this, &RuleChainPanel::EditStep);
  connect(drop, &QPushButton::clicked, this, &RuleChainPanel::RemoveStep);
  // The check box of a step switches it on and off.
  connect(steps_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    const int row = steps_->row(item);
    if (row < 0 || row >= static_cast<int>(chain_.steps.size())) return;
    const bool on = item->checkState() == Qt::Checked;
    if (chain_.steps[static_cast<std::size_t>(row)].enabled == on) return;
    chain_.steps[static_cast<std::size_t>(row)].enabled = on;
    Publish();
  });
  connect(steps_, &QListWidget::itemDoubleClicked, this, [this] { EditStep(); });
  ReloadPresets();
}

void RuleChainPanel::SetChain(RuleChain chain) {
  chain_ = std::move(chain);
  editing_ = -1;
  Publish();
}

void RuleChainPanel::Publish() {
  tabs_.SetChain(chain_.steps.empty() ? nullptr : std::make_shared<const RuleChain>(chain_));
  ShowSteps();
  emit chainChanged();
}

void RuleChainPanel::ShowSteps() {
  const QSignalBlocker quiet(steps_);
  const int selected = steps_->currentRow();
  steps_->clear();
  for (std::size_t k = 0; k < chain_.steps.size(); ++k) {
    const ChainStep& step = chain_.steps[k];
    auto* item = new QListWidgetItem(QString::number(k + 1) + QStringLiteral(". ") +
                                     FromGb(DescribeStep(step)));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(step.enabled ? Qt::Checked : Qt::Unchecked);
    if (static_cast<int>(k) == editing_) {
      QFont bold = item->font();
      bold.setBold(true);
      item->setFont(bold);
    }
    steps_->addItem(item);
  }
  steps_->setCurrentRow(std::min(selected, steps_->count() - 1));
  add_->setText(QString::fromUtf8(editing_ >= 0 ? "更新所选步骤" : "添加到规则链"));
}

int RuleChainPanel::SelectedStep() const {
  const int row = steps_->currentRow();
  return row >= 0 && row < static_cast<int>(chain_.steps.size()) ? row : -1;
}

void RuleChainPanel::AddOrUpdateStep() {
  ChainStep step{true, tabs_.ReadPageOptions()};
  if (editing_ >= 0 && editing_ < static_cast<int>(chain_.steps.size())) {
    step.enabled = chain_.steps[static_cast<std::size_t>(editing_)].enabled;
    chain_.steps[static_cast<std::size_t>(editing_)] = std::move(step);
    steps_->setCurrentRow(editing_);
    editing_ = -1;
  } else {
    chain_.steps.push_back(std::move(step));
    editing_ = -1;
    Publish();
    steps_->setCurrentRow(static_cast<int>(chain_.steps.size()) - 1);
    return;
  }
  Publish();
}

void RuleChainPanel::MoveStep(int by) {
  const int from = SelectedStep();
  const int to = from + by;
  if (from < 0 || to < 0 || to >= static_cast<int>(chain_.steps.size())) return;
  std::swap(chain_.steps[static_cast<std::size_t>(from)], chain_.steps[static_cast<std::size_t>(to)]);
  if (editing_ == from)
    editing_ = to;
  else if (editing_ == to)
    editing_ = from;
  steps_->setCurrentRow(to);
  Publish();
  steps_->setCurrentRow(to);
}

void RuleChainPanel::EditStep() {
  const int row = SelectedStep();
  if (row < 0) return;
  editing_ = row;
  ShowSteps();
  // The step's settings on its page; "更新所选步骤" puts them back.
  tabs_.ShowPageOptions(chain_.steps[static_cast<std::size_t>(row)].options);
}

void RuleChainPanel::RemoveStep() {
  const int row = SelectedStep();
  if (row < 0) return;
  chain_.steps.erase(chain_.steps.begin() + row);
  if (editing_ == row)
    editing_ = -1;
  else if (editing_ > row)
    --editing_;
  Publish();
}

void RuleChainPanel::ReloadPresets() {
  const QString current = presets_->currentText();
  presets_->clear();
  for (const std::string& name : ListPresets(configDir_))
    presets_->addItem(QString::fromUtf8(name.c_str()));
  presets_->setCurrentIndex(presets_->findText(current));
}

QString RuleChainPanel::SelectedPreset() const {
  return presets_->currentIndex() >= 0 ? presets_->currentText() : QString();
}

void RuleChainPanel::Warn(const QString& text) {
  prompts_.message(this, QMessageBox::Warning, QString::fromUtf8("方案"), text, QMessageBox::Ok);
}

bool RuleChainPanel::LoadPreset(const QString& name) {
  Preset preset;
  std::string error;
  if (!tessarn::LoadPreset(configDir_, Utf8(name), preset, error)) {
    Warn(QString::fromUtf8(error.c_str()));
    return false;
  }
  if (preset.chain) {
    SetChain(RuleChain{preset.steps});
  } else {
    tabs_.ShowPageOptions(preset.steps.front().options);
  }
  presets_->setCurrentIndex(presets_->findText(name));
  return true;
}

void RuleChainPanel::SavePresetAs() {
  QString name = SelectedPreset();
  if (!prompts_.askText(this, QString::fromUtf8("保存方案"),
                        QString::fromUtf8(chain_.steps.empty() ? "当前页设置的方案名称："
                                                               : "规则链的方案名称："),
                        name))
    return;
  name = name.trimmed();
  if (const std::string why = PresetNameError(Utf8(name)); !why.empty()) {
    Warn(QString::fromUtf8(why.c_str()));
    return;
  }
  if (PresetExists(configDir_, Utf8(name)) &&
      prompts_.message(this, QMessageBox::Question, QString::fromUtf8("保存方案"),
                       QString::fromUtf8("方案“%1”已存在，要替换它吗？").arg(name),
                       QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  Preset preset;
  if (!chain_.steps.empty()) {
    preset.chain = true;
    preset.steps = chain_.steps;
  } else {
    preset.steps.push_back(ChainStep{true, tabs_.ReadPageOptions()});
  }
  std::string error;
  if (!SavePreset(configDir_, Utf8(name), preset, error)) {
    Warn(QString::fromUtf8(error.c_str()));
    return;
  }
  ReloadPresets();
  presets_->setCurrentIndex(presets_->findText(name));
}

void RuleChainPanel::RenamePresetAsked() {
  const QString from = SelectedPreset();
  if (from.isEmpty()) return;
  QString to = from;
  if (!prompts_.askText(this, QString::fromUtf8("重命名方案"), QString::fromUtf8("新名称："), to))
    return;
  to = to.trimmed();
  if (to == from) return;
  std::string error;
  if (!RenamePreset(configDir_, Utf8(from), Utf8(to), error)) {
    Warn(QString::fromUtf8(error.c_str()));
    return;
  }
  ReloadPresets();
  presets_->setCurrentIndex(presets_->findText(to));
}

void RuleChainPanel::DeletePresetAsked() {
  const QString name = SelectedPreset();
  if (name.isEmpty()) return;
  if (prompts_.message(this, QMessageBox::Question, QString::fromUtf8("删除方案"),
                       QString::fromUtf8("要删除方案“%1”吗？").arg(name),
                       QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  std::string error;
  if (!DeletePreset(configDir_, Utf8(name), error)) Warn(QString::fromUtf8(error.c_str()));
  ReloadPresets();
}

}  // namespace tessarn
