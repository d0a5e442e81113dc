// The page of each rule unit: the one place a new rule's page is registered.
#include <cstring>

#include "ui/rule_page.h"

namespace tessarn {

RulePage* MakeNumberingPage(AppSettings& settings);
RulePage* MakeReplacePage(AppSettings& settings);
RulePage* MakeInsertPage(AppSettings& settings);
RulePage* MakeCasePage(AppSettings& settings);
RulePage* MakeMp3Page(AppSettings& settings);

RulePageMaker FindRulePageMaker(const char* unitKey) {
  static const struct {
    const char* key;
    RulePageMaker make;
  } kMakers[] = {
      {"numbering", &MakeNumberingPage}, {"replace", &MakeReplacePage},
      {"insert", &MakeInsertPage},       {"case", &MakeCasePage},
      {"mp3", &MakeMp3Page},
  };
  for (const auto& maker : kMakers)
    if (std::strcmp(maker.key, unitKey) == 0) return maker.make;
  return nullptr;
}

}  // namespace tessarn
