// The tab control "选择夹": one page per rule unit, in the units' order, each found
// through the unit's key (rule_pages.cpp). It reads the pages into NamingOptions
// (with the chain of rules attached), shows a step's or a preset's settings on a
// page, and asks for a preview pass (passRequested) whenever an option changes.
#pragma once

#include <QTabWidget>
#include <memory>
#include <vector>

#include "core/rules/naming_options.h"
#include "core/settings/app_settings.h"

class QLineEdit;

namespace tessarn {

class RulePage;
struct RuleChain;

class OptionTabs : public QTabWidget {
  Q_OBJECT
 public:
  // `settings` is the process-wide record: the clear button switches its
  // autoPreview off while it empties the boxes.
  OptionTabs(AppSettings& settings, QWidget* parent = nullptr);

  // The shown page and every page's options, with the chain attached.
  NamingOptions ReadNamingOptions() const;
  // Only the options of the page shown, without the chain: a step of a chain.
  NamingOptions ReadPageOptions() const;
  // Shows options.page with its fields from `options`, with one pass at the end.
  void ShowPageOptions(const NamingOptions& options);

  // The chain the naming goes by while it has an enabled step (may be null).
  void SetChain(std::shared_ptr<const RuleChain> chain);

  // Colours and enabling of the two groups of page "常规" for a scope.
  void ApplyNumberingScope(NumberingScope scope);

  // Controls reached by the main window and the tests.
  QLineEdit* templateBox() const;

 signals:
  // A preview pass with allRows off is due.
  void passRequested();
  // "从文件名写入标签" was pressed.
  void nameTagsRequested();

 private:
  std::vector<RulePage*> pages_;  // by OptionPage
  std::shared_ptr<const RuleChain> chain_;
  bool writing_ = false;  // ShowPageOptions: the controls' own passes are not wanted
};

}  // namespace tessarn
