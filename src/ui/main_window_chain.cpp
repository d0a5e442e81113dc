// The main window's presets and chain of rules: the panel beside the option pages.
#include <QHBoxLayout>
#include <QLabel>
#include <QTabBar>

#include "core/rules/rule_chain.h"
#include "ui/gb_qt.h"
#include "ui/main_window.h"
#include "ui/option_tabs.h"
#include "ui/rule_chain_panel.h"

namespace tessarn {

QBoxLayout* MainWindow::BuildRulesRow(QWidget* central) {
  chainPanel_ = new RuleChainPanel(*tabs_, configDir_, prompts_, central);
  chainPanel_->setFixedHeight(tabs_->height());
  chainPanel_->setFixedWidth(330);
  // The pages were drawn 590 pixels wide.
  tabs_->setMinimumWidth(590);
  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(2);
  row->addWidget(tabs_, 1);
  row->addWidget(chainPanel_);
  // A chain that changes renames differently: the preview follows at once, and
  // pane 1 says whether a chain applies.
  connect(chainPanel_, &RuleChainPanel::chainChanged, this, [this] {
    PreviewPass(false);
    ClearProgressPane();
  });
  return row;
}

QString MainWindow::ChainPaneText() const {
  return FromGb(tessarn::ChainPaneText(tabs_->ReadNamingOptions()));
}

}  // namespace tessarn
