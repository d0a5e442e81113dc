#include "ui/history_dialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/history/rename_history.h"
#include "core/text/encoding.h"
#include "ui/gb_qt.h"

namespace tessarn {

HistoryDialog::HistoryDialog(std::string stateDirectory, std::function<void()> undoNewest,
                             QWidget* parent)
    : QDialog(parent), stateDirectory_(std::move(stateDirectory)), undoNewest_(std::move(undoNewest)) {
  setObjectName(QString::fromUtf8("撤消历史"));
  setWindowTitle(QString::fromUtf8("撤消历史"));
  resize(620, 320);
  runs_ = new QTreeWidget(this);
  runs_->setObjectName(QString::fromUtf8("历史列表"));
  runs_->setRootIsDecorated(false);
  runs_->setSelectionMode(QAbstractItemView::NoSelection);
  runs_->setHeaderLabels({QString::fromUtf8("编号"), QString::fromUtf8("时间"),
                          QString::fromUtf8("文件数"), QString::fromUtf8("目录"),
                          QString::fromUtf8("状态"), QString::fromUtf8("类型")});
  runs_->header()->setStretchLastSection(false);
  runs_->header()->setSectionResizeMode(3, QHeaderView::Stretch);

  auto* buttons = new QDialogButtonBox(this);
  undo_ = buttons->addButton(QString::fromUtf8("撤消"), QDialogButtonBox::ActionRole);
  undo_->setObjectName(QString::fromUtf8("撤消按钮"));
  QPushButton* close = buttons->addButton(QString::fromUtf8("关闭"), QDialogButtonBox::RejectRole);
  close->setObjectName(QString::fromUtf8("关闭按钮"));
  connect(undo_, &QPushButton::clicked, this, [this] {
    if (undoNewest_) undoNewest_();
    Reload();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(runs_);
  layout->addWidget(buttons);
  Reload();
}

void HistoryDialog::Reload() {
  runs_->clear();
  bool left = false;
  for (const HistoryEntry& run : ReadHistory(stateDirectory_)) {
    QString state;
    if (run.otherKind)
      state = QString::fromUtf8("其他操作");
    else if (run.damaged)
      state = QString::fromUtf8("记录已损坏");
    else if (run.undone())
      state = QString::fromUtf8("已撤消");
    else if (run.left < run.renamed)
      state = QString::fromUtf8("部分撤消");
    else
      state = QString::fromUtf8("未撤消");
    left = left || !run.undone();
    QString folder = FromGb(DecodeDiskName(run.firstFolder));
    if (run.folders > 1) folder += QString::fromUtf8(" 等 %1 个目录").arg(run.folders);
    auto* item = new QTreeWidgetItem(runs_);
    item->setText(0, QString::number(run.id));
    item->setText(1, QDateTime::fromSecsSinceEpoch(run.time).toString("yyyy-MM-dd HH:mm:ss"));
    item->setText(2, QString::number(run.renamed));
    item->setText(3, folder);
    item->setText(4, state);
    item->setText(5, run.otherKind                   ? QString::fromUtf8("其他")
                     : run.kind == RunKind::kTags ? QString::fromUtf8("标签")
                                                  : QString::fromUtf8("更名"));
  }
  for (int c : {0, 1, 2, 4, 5}) runs_->resizeColumnToContents(c);
  undo_->setEnabled(left);
}

}  // namespace tessarn
