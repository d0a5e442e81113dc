#include "ui/about_dialog.h"

#include <QLabel>
#include <QMouseEvent>

#include "ui/painted_icons.h"

namespace tessarn {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8("关于Tessarn更名器"));
  setFixedSize(335, 256);

  auto* banner = new QLabel(this);
  banner->setPixmap(AboutBanner());
  banner->setGeometry(0, 0, 329, 70);

  auto* title = new QLabel(QString::fromUtf8("Tessarn批量更名器"), this);
  title->setObjectName(QStringLiteral("bannerLabel"));
  title->setAttribute(Qt::WA_TranslucentBackground);
  QFont f(QString::fromUtf8("宋体"));
  f.setPixelSize(20);
  f.setBold(true);
  title->setFont(f);
  QPalette white = title->palette();
  white.setColor(QPalette::WindowText, Qt::white);
  title->setPalette(white);
  title->setGeometry(135, 14, 184, 40);

  struct Row {
    const char* caption;
    const char* value;
    const char* name;
    int y;
  };
  for (const Row& r : {Row{"软件名称：", "Tessarn批量更名器", "nameValue", 90},
                       Row{"版本：", "1.0.0测试版", "versionValue", 113}}) {
    auto* caption = new QLabel(QString::fromUtf8(r.caption), this);
    caption->setGeometry(40, r.y, 80, 18);
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* value = new QLabel(QString::fromUtf8(r.value), this);
    value->setObjectName(QString::fromUtf8(r.name));
    value->setGeometry(124, r.y, 180, 18);
  }
  // The labels let clicks through, so that a click anywhere reaches the box.
  for (QLabel* l : findChildren<QLabel*>()) l->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void AboutDialog::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    accept();
    return;
  }
  QDialog::mousePressEvent(event);
}

}  // namespace tessarn
