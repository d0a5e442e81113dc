#include "ui/option_tabs.h"

#include <QLineEdit>

#include "core/rules/rule_chain.h"
#include "core/rules/rule_unit.h"
#include "ui/rule_page.h"

namespace tessarn {

OptionTabs::OptionTabs(AppSettings& settings, QWidget* parent) : QTabWidget(parent) {
  setObjectName(QString::fromUtf8("选择夹"));
  for (const RuleUnit* unit : RuleUnits()) {
    const RulePageMaker make = FindRulePageMaker(unit->key);
    RulePage* page = make(settings);
    pages_.push_back(page);
    addTab(page, QString::fromUtf8(unit->caption));
    connect(page, &RulePage::passRequested, this, [this] {
      if (!writing_) emit passRequested();
    });
    connect(page, &RulePage::commandRequested, this, [this](const QString& command) {
      if (command == QStringLiteral("nameTags")) emit nameTagsRequested();
    });
  }
  // Files dropped anywhere on the window are added to the list; the boxes do not
  // take them as text.
  for (QLineEdit* edit : findChildren<QLineEdit*>()) edit->setAcceptDrops(false);
}

NamingOptions OptionTabs::ReadNamingOptions() const {
  NamingOptions o;
  o.page = static_cast<OptionPage>(currentIndex() < 0 ? 0 : currentIndex());
  for (const RulePage* page : pages_) page->Read(o);
  o.chain = chain_;
  return o;
}

NamingOptions OptionTabs::ReadPageOptions() const {
  NamingOptions o;
  o.page = static_cast<OptionPage>(currentIndex() < 0 ? 0 : currentIndex());
  pages_[static_cast<std::size_t>(o.page)]->Read(o);
  return o;
}

void OptionTabs::ShowPageOptions(const NamingOptions& options) {
  const auto index = static_cast<std::size_t>(options.page);
  if (index >= pages_.size()) return;
  writing_ = true;
  pages_[index]->Write(options);
  const bool samePage = currentIndex() == static_cast<int>(index);
  setCurrentIndex(static_cast<int>(index));  // a new page runs its own pass
  writing_ = false;
  if (samePage) emit passRequested();
}

void OptionTabs::SetChain(std::shared_ptr<const RuleChain> chain) { chain_ = std::move(chain); }

void OptionTabs::ApplyNumberingScope(NumberingScope scope) {
  RulePage* page = pages_[static_cast<std::size_t>(OptionPage::kNumbering)];
  NamingOptions o;
  page->Read(o);
  o.numberingScope = scope;
  writing_ = true;
  page->Write(o);
  writing_ = false;
}

QLineEdit* OptionTabs::templateBox() const {
  return findChild<QLineEdit*>(QString::fromUtf8("MP3命名规则编辑框"));
}

}  // namespace tessarn
