// The page of one rule unit on the tab control "选择夹": it owns its option
// controls, reads them into the unit's fields of NamingOptions, shows a step's or
// a preset's settings, and asks for a preview pass whenever an option changes.
#pragma once

#include <QWidget>

#include "core/rules/naming_options.h"
#include "core/settings/app_settings.h"

namespace tessarn {

class RulePage : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  // Reads the page's controls into their fields of `options`; other fields stay.
  virtual void Read(NamingOptions& options) const = 0;
  // Shows the page's fields of `options`, enabling and colours included. Writing
  // the controls raises their change events: the caller suppresses the passes.
  virtual void Write(const NamingOptions& options) = 0;

 signals:
  // A preview pass with allRows off is due.
  void passRequested();
  // A command of the page's own for the window ("nameTags": write tags from names).
  void commandRequested(const QString& command);
};

// How the window finds the page of a rule unit: one maker per unit key, in
// rule_pages.cpp.
using RulePageMaker = RulePage* (*)(AppSettings& settings);
RulePageMaker FindRulePageMaker(const char* unitKey);

}  // namespace tessarn
