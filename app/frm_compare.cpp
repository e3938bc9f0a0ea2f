#include "app/frm_compare.h"

#include <exception>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/app_services.h"
#include "app/qt_dialogs.h"
#include "app/windows.h"
#include "archive/error.h"
#include "shell/compare.h"

namespace app {

namespace {

constexpr const char* kCaption = "Compare two archives";
constexpr const char* kArchiveFilter =
    "Tarvo Archives (*.hqr;*.vox;*.ile;*.obl;*.hqs)|*.hqr;*.vox;*.ile;*.obl;*.hqs|All files (*.*)|*.*";
constexpr const char* kLabelNames[2] = {"lblArchive1", "lblArchive2"};
constexpr const char* kLabelCaptions[2] = {"Archive 1:", "Archive 2:"};
constexpr const char* kButtonNames[2] = {"cmdArchive1", "cmdArchive2"};

}  // namespace

frmCompare::frmCompare(AppServices& services, QWidget* parent) : QDialog(parent), services_(services) {
    setObjectName("frmCompare");
    setWindowTitle(kCaption);

    auto* archives = new QGridLayout;
    for (int i = 0; i < 2; ++i) {
        labels_[i] = new QLabel(kLabelCaptions[i]);
        labels_[i]->setObjectName(kLabelNames[i]);
        labels_[i]->setTextFormat(Qt::PlainText);
        buttons_[i] = new QPushButton("...");
        buttons_[i]->setObjectName(kButtonNames[i]);
        buttons_[i]->setAutoDefault(false);
        buttons_[i]->setFixedWidth(buttons_[i]->fontMetrics().horizontalAdvance("...") + 24);
        archives->addWidget(labels_[i], i, 0);
        archives->addWidget(buttons_[i], i, 1);
        connect(buttons_[i], &QPushButton::clicked, this, [this, i] { ChooseArchive(i); });
    }
    archives->setColumnStretch(0, 1);

    lstComparison_ = new QTreeWidget;
    lstComparison_->setObjectName("lstComparison");
    lstComparison_->setHeaderLabels({"Archive 1", "Archive 2", "Result"});
    lstComparison_->setRootIsDecorated(false);
    lstComparison_->setUniformRowHeights(true);
    lstComparison_->setSelectionMode(QAbstractItemView::SingleSelection);
    lstComparison_->header()->setStretchLastSection(true);
    lstComparison_->setColumnWidth(0, 110);
    lstComparison_->setColumnWidth(1, 110);

    auto* cmdCompare = new QPushButton("&Compare");
    cmdCompare->setObjectName("cmdCompare");
    cmdCompare->setAutoDefault(false);
    auto* cmdOK = new QPushButton("OK");
    cmdOK->setObjectName("cmdOK");
    cmdOK->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdCompare);
    buttons->addStretch();
    buttons->addWidget(cmdOK);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(archives);
    layout->addWidget(new QLabel("Comparison:"));
    layout->addWidget(lstComparison_, 1);
    layout->addLayout(buttons);

    connect(cmdCompare, &QPushButton::clicked, this, &frmCompare::Compare);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    resize(620, 480);
}

void frmCompare::ChooseArchive(int which) {
    try {
        shell::FileDialogRequest request;
        request.Filter = kArchiveFilter;
        const std::optional<std::string> chosen = services_.Ask().OpenFile(request);
        if (!chosen) return;
        paths_[which] = *chosen;
        labels_[which]->setText(QString(kLabelCaptions[which]) + " " + FromPath(*chosen));
        if (!chosen->empty()) buttons_[which]->setEnabled(false);
    } catch (const std::exception& e) {
        services_.Ask().Message(e.what(), kCaption, shell::MessageIcon::Critical, shell::MessageButtons::Ok);
    }
}

void frmCompare::Compare() {
    if (paths_[0].empty() || paths_[1].empty()) {
        services_.Ask().Message(shell::kCompareNotSpecifiedMessage, kCaption, shell::MessageIcon::Exclamation,
                                shell::MessageButtons::Ok);
        return;
    }
    std::vector<shell::ComparisonRow> rows;
    try {
        rows = shell::CompareArchives(paths_[0], paths_[1]);
    } catch (const archive::Error& e) {
        services_.Ask().Message(e.Description, kCaption, shell::MessageIcon::Critical, shell::MessageButtons::Ok);
        return;
    }
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const shell::ComparisonRow& row : rows)
        items.append(new QTreeWidgetItem(QStringList{FromText(row.Archive1), FromText(row.Archive2), FromText(row.Result)}));
    lstComparison_->addTopLevelItems(items);
}

void ShowCompare(AppServices& services) {
    frmCompare window(services, services.MainWidget());
    window.exec();
}

}  // namespace app
