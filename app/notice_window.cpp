#include "app/notice_window.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/item_icons.h"
#include "shell/main_window_state.h"

namespace app {

void ShowNotice(QWidget* parent) {
    QDialog notice(parent);
    notice.setObjectName("frmWarning");
    notice.setWindowTitle(QString::fromLatin1(shell::kNoticeCaption));
    auto* layout = new QVBoxLayout(&notice);
    auto* picture = new QLabel(&notice);
    picture->setObjectName("picWarning");
    picture->setPixmap(NoticePicture());
    layout->addWidget(picture);
    auto* ok = new QPushButton("OK", &notice);
    ok->setObjectName("cmdOK");
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &notice, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    // The window takes the size of its picture.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    notice.exec();
}

}  // namespace app
