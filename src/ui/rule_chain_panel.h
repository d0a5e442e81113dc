// The panel beside the option pages: presets ("方案") and the chain of rules.
// The chain is an ordered list of steps, each a page's settings; while one is
// enabled, the steps name the files instead of the page shown. Presets keep a
// page's settings or the whole chain in presets/NAME.ini under the config folder.
#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "core/presets/preset.h"
#include "core/rules/rule_chain.h"
#include "ui/ui_prompts.h"

class QComboBox;
class QListWidget;
class QPushButton;

namespace tessarn {

class OptionTabs;

class RuleChainPanel : public QWidget {
  Q_OBJECT
 public:
  RuleChainPanel(OptionTabs& tabs, std::string configDir, UiPrompts& prompts,
                 QWidget* parent = nullptr);

  const RuleChain& chain() const { return chain_; }
  // Replaces the chain (a preset's), with one pass.
  void SetChain(RuleChain chain);
  // Fills the combo box with the presets' names.
  void ReloadPresets();
  // A preset by name: loaded into its page or as the chain. False, after a message
  // naming the file and line, when the file cannot be read; nothing changes then.
  bool LoadPreset(const QString& name);
  // "保存方案...": the chain when it has steps, else the shown page's settings.
  void SavePresetAs();
  void RenamePresetAsked();
  void DeletePresetAsked();

 signals:
  // The chain changed: the window runs a pass and shows the chain in the status bar.
  void chainChanged();

 private:
  void AddOrUpdateStep();
  void MoveStep(int by);
  void EditStep();
  void RemoveStep();
  void Publish();  // hands the chain to the tabs, refreshes the list, tells the window
  void ShowSteps();
  int SelectedStep() const;
  QString SelectedPreset() const;
  void Warn(const QString& text);

  OptionTabs& tabs_;
  std::string configDir_;
  UiPrompts& prompts_;
  RuleChain chain_;
  int editing_ = -1;  // the step shown on its page for editing, or -1
  QComboBox* presets_;
  QListWidget* steps_;
  QPushButton* add_;
};

}  // namespace tessarn
