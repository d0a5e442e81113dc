// Page "插入": characters inserted into the main name and the extension.
#include <QCheckBox>

#include "ui/gb_qt.h"
#include "ui/page_layout.h"
#include "ui/rule_page.h"

namespace tessarn {
namespace {

using namespace page_layout;

class InsertPage : public RulePage {
 public:
  InsertPage();
  void Read(NamingOptions& o) const override;
  void Write(const NamingOptions& o) override;

 private:
  void ShowKeepSame();
  void ShowInsertModes() {
    nameInsertPos_->setEnabled(nameInsertAtPos_->isChecked());
    extInsertPos_->setEnabled(extInsertAtPos_->isChecked());
  }

  QLineEdit* nameInsertText_;
  QLabel* extInsertLabel_;
  QLineEdit* extInsertText_;
  QCheckBox* keepSame_;
  QRadioButton* nameInsertAtPos_;
  QRadioButton* nameInsertAtEnd_;
  NumberBox* nameInsertPos_;
  QRadioButton* extInsertAtPos_;
  QRadioButton* extInsertAtEnd_;
  NumberBox* extInsertPos_;
};

InsertPage::InsertPage() {
  QWidget* page = this;
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
  connect(nameInsertText_, &QLineEdit::textChanged, this, [this] {
    if (keepSame_->isChecked()) extInsertText_->setText(nameInsertText_->text());
    emit passRequested();
  });
  // What the user types into the extension box shows at once; the copy the keep-same
  // link writes there comes with the pass of the file-name box.
  connect(extInsertText_, &QLineEdit::textEdited, this, &RulePage::passRequested);
  connect(keepSame_, &QCheckBox::clicked, this, [this] {
    if (keepSame_->isChecked()) extInsertText_->setText(nameInsertText_->text());
    ShowKeepSame();
    emit passRequested();
  });

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
    for (QRadioButton* radio : {*row.atPos, *row.atEnd})
      connect(radio, &QRadioButton::clicked, this, [this] {
        ShowInsertModes();
        emit passRequested();
      });
    connect(*row.box, &QLineEdit::textChanged, this, &RulePage::passRequested);
  }
}

void InsertPage::ShowKeepSame() {
  const bool on = keepSame_->isChecked();
  SetTextColour(extInsertLabel_, on ? kGrey : kBlack);
  extInsertText_->setEnabled(!on);
}

void InsertPage::Read(NamingOptions& o) const {
  o.nameInsertText = ToGb(nameInsertText_->text());
  o.extInsertText = ToGb(extInsertText_->text());
  o.keepSame = keepSame_->isChecked();
  o.nameInsertMode = nameInsertAtEnd_->isChecked() ? InsertMode::kAtEnd : InsertMode::kAtPosition;
  o.nameInsertPos = ToGb(nameInsertPos_->text());
  o.extInsertMode = extInsertAtEnd_->isChecked() ? InsertMode::kAtEnd : InsertMode::kAtPosition;
  o.extInsertPos = ToGb(extInsertPos_->text());
}

void InsertPage::Write(const NamingOptions& o) {
  keepSame_->setChecked(o.keepSame);
  nameInsertText_->setText(FromGb(o.nameInsertText));
  extInsertText_->setText(FromGb(o.keepSame ? o.nameInsertText : o.extInsertText));
  ShowKeepSame();
  (o.nameInsertMode == InsertMode::kAtEnd ? nameInsertAtEnd_ : nameInsertAtPos_)->setChecked(true);
  (o.extInsertMode == InsertMode::kAtEnd ? extInsertAtEnd_ : extInsertAtPos_)->setChecked(true);
  nameInsertPos_->setText(FromGb(o.nameInsertPos));
  extInsertPos_->setText(FromGb(o.extInsertPos));
  ShowInsertModes();
}

}  // namespace

RulePage* MakeInsertPage(AppSettings&) { return new InsertPage; }

}  // namespace tessarn
