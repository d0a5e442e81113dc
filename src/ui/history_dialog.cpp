#include "ui/history_dialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/history/history_store.h"
#include "core/history/rename_history.h"
#include "core/history/undo_runs.h"
#include "core/text/encoding.h"
#include "ui/gb_qt.h"

namespace tessarn {

HistoryDialog::HistoryDialog(std::string stateDirectory,
                             std::function<void(std::uint64_t)> undoTo, QWidget* parent)
    : QDialog(parent), stateDirectory_(std::move(stateDirectory)), undoTo_(std::move(undoTo)) {
  setObjectName(QString::fromUtf8("撤消历史"));
  setWindowTitle(QString::fromUtf8("撤消历史"));
  resize(620, 320);
  runs_ = new QTreeWidget(this);
  runs_->setObjectName(QString::fromUtf8("历史列表"));
  runs_->setRootIsDecorated(false);
  runs_->setSelectionMode(QAbstractItemView::SingleSelection);
  runs_->setHeaderLabels({QString::fromUtf8("编号"), QString::fromUtf8("时间"),
                          QString::fromUtf8("文件数"), QString::fromUtf8("目录"),
                          QString::fromUtf8("状态"), QString::fromUtf8("类型"),
                          QString::fromUtf8("大小")});
  runs_->header()->setStretchLastSection(false);
  runs_->header()->setSectionResizeMode(3, QHeaderView::Stretch);

  auto* buttons = new QDialogButtonBox(this);
  undo_ = buttons->addButton(QString::fromUtf8("撤消"), QDialogButtonBox::ActionRole);
  undo_->setObjectName(QString::fromUtf8("撤消按钮"));
  QPushButton* close = buttons->addButton(QString::fromUtf8("关闭"), QDialogButtonBox::RejectRole);
  close->setObjectName(QString::fromUtf8("关闭按钮"));
  total_ = new QLabel(this);
  total_->setObjectName(QString::fromUtf8("历史大小标签"));
  connect(undo_, &QPushButton::clicked, this, [this] {
    bool left = false;
    const std::uint64_t run = SelectedRun(&left);
    if (run == 0 || !left) return;
    if (undoTo_) undoTo_(run);
    Reload();
  });
  connect(runs_, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateButton(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(runs_);
  layout->addWidget(total_);
  layout->addWidget(buttons);
  Reload();
}

void HistoryDialog::Reload() {
  runs_->clear();
  QTreeWidgetItem* newestLeft = nullptr;
  std::uint64_t total = 0;
  for (const HistoryEntry& run : ReadHistory(stateDirectory_)) {
    QString folder = FromGb(DecodeDiskName(run.firstFolder));
    if (run.folders > 1) folder += QString::fromUtf8(" 等 %1 个目录").arg(run.folders);
    auto* item = new QTreeWidgetItem(runs_);
    item->setText(0, QString::number(run.id));
    item->setText(1, QDateTime::fromSecsSinceEpoch(run.time).toString("yyyy-MM-dd HH:mm:ss"));
    item->setText(2, QString::number(run.renamed));
    item->setText(3, folder);
    item->setText(4, FromGb(HistoryStateText(run)));
    item->setText(5, run.otherKind                   ? QString::fromUtf8("其他")
                     : run.kind == RunKind::kTags ? QString::fromUtf8("标签")
                                                  : QString::fromUtf8("更名"));
    item->setText(6, FromGb(ByteSizeText(run.bytes)));
    const bool left = !run.undone() && !run.otherKind;
    item->setData(0, Qt::UserRole, QVariant::fromValue<qulonglong>(run.id));
    item->setData(0, Qt::UserRole + 1, left);
    if (left && newestLeft == nullptr) newestLeft = item;
    total += run.bytes;
  }
  for (int c : {0, 1, 2, 4, 5, 6}) runs_->resizeColumnToContents(c);
  total_->setText(QString::fromUtf8("共 %1 次操作，记录共 %2")
                      .arg(runs_->topLevelItemCount())
                      .arg(FromGb(ByteSizeText(total))));
  if (newestLeft != nullptr) runs_->setCurrentItem(newestLeft);
  UpdateButton();
}

std::uint64_t HistoryDialog::SelectedRun(bool* left) const {
  const QList<QTreeWidgetItem*> selected = runs_->selectedItems();
  if (selected.isEmpty()) return 0;
  if (left != nullptr) *left = selected.front()->data(0, Qt::UserRole + 1).toBool();
  return selected.front()->data(0, Qt::UserRole).toULongLong();
}

void HistoryDialog::UpdateButton() {
  bool left = false;
  undo_->setEnabled(SelectedRun(&left) != 0 && left);
}

}  // namespace tessarn
