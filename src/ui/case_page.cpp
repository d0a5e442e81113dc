// Page "大小写": upper and lower case of the main name and the extension.
#include "ui/gb_qt.h"
#include "ui/page_layout.h"
#include "ui/rule_page.h"

namespace tessarn {
namespace {

using namespace page_layout;

constexpr CaseRule kRules[4] = {CaseRule::kAllUpper, CaseRule::kAllLower, CaseRule::kFirstUpper,
                                CaseRule::kFirstLower};

class CasePage : public RulePage {
 public:
  CasePage();
  void Read(NamingOptions& o) const override {
    for (int i = 0; i < 4; ++i) {
      if (nameCase_[i]->isChecked()) o.nameCase = kRules[i];
      if (extCase_[i]->isChecked()) o.extCase = kRules[i];
    }
  }
  void Write(const NamingOptions& o) override {
    for (int i = 0; i < 4; ++i) {
      if (o.nameCase == kRules[i]) nameCase_[i]->setChecked(true);
      if (o.extCase == kRules[i]) extCase_[i]->setChecked(true);
    }
  }

 private:
  // All upper, all lower, first upper, first lower.
  QRadioButton* nameCase_[4];
  QRadioButton* extCase_[4];
};

CasePage::CasePage() {
  QWidget* page = this;
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
    connect(nameCase_[i], &QRadioButton::clicked, this, &RulePage::passRequested);
    connect(extCase_[i], &QRadioButton::clicked, this, &RulePage::passRequested);
  }
  nameCase_[0]->setChecked(true);
  extCase_[0]->setChecked(true);
}

}  // namespace

RulePage* MakeCasePage(AppSettings&) { return new CasePage; }

}  // namespace tessarn
