#include "ui/select_tree_dialog.h"

#include "directory/directory_error.h"
#include "directory/prompter.h"
#include "directory/text_compare.h"
#include "shell/trees.h"
#include "ui/action_guard.h"
#include "ui/local_text.h"
#include "ui/unavailable_trees.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <set>

namespace tarnbeck {

using namespace dsclient;

namespace {

// The tree name a server reports fits 100 bytes.
constexpr std::size_t kMaxReportedTreeName = 99;

bool IsServerAddress(const std::string &answer) {
    return std::all_of(answer.begin(), answer.end(),
                       [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

std::string HexStatus(Status status) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<std::uint32_t>(status));
    return text;
}

} // namespace

TTreesForm::TTreesForm(QWidget *parent) : QDialog(parent) {
    setObjectName("TreesForm");
    setWindowTitle("Select Tree");

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    BitBtn1 = new QPushButton("OK", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton("Cancel", this);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn3 = new QPushButton("Add", this);
    BitBtn3->setObjectName("BitBtn3");
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(50);
    Timer1->setSingleShot(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn3);
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ListBox1);
    layout->addLayout(buttons);
    resize(300, 320);

    connect(Timer1, &QTimer::timeout, this, &TTreesForm::Timer1Timer);
    connect(BitBtn1, &QPushButton::clicked, this, &TTreesForm::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TTreesForm::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TTreesForm::BitBtn3Click);
}

void TTreesForm::SetContext(ContextHandle context) {
    context_ = context;
    hasContext_ = true;
}

void TTreesForm::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (!hasContext_)
        prompter().message("Internal error, please contact Orvexa!!!");
    chosen_.clear(); // a choice belongs to one showing
    ListBox1->clear();
    // The placeholder cannot be chosen before the list is read.
    auto *wait = new QListWidgetItem("Please wait", ListBox1);
    wait->setFlags(Qt::ItemIsEnabled);
    Timer1->start();
}

void TTreesForm::Timer1Timer() {
    Timer1->stop();
    ListBox1->clear();
    RunGuarded([this] { Refill(); });
}

void TTreesForm::Refill() {
    // Without a context there is nothing to scan; only the names kept by hand are offered.
    std::vector<std::string> trees;
    if (hasContext_)
        trees = ScanAvailableTrees(context_);
    // A tree the client left out is listed apart, as unavailable.
    for (const UnavailableTree &tree : UnavailableTrees())
        std::erase_if(trees, [&](const std::string &name) { return name == tree.name; });
    const std::set<std::string, LessIgnoreCase> scanned(trees.begin(), trees.end());
    for (const auto &name : kept_)
        if (!scanned.count(name))
            trees.push_back(name);
    SortNames(trees);
    for (const auto &name : trees)
        ListBox1->addItem(LocalText(name));
    AppendUnavailableTrees(*ListBox1);
}

void TTreesForm::BitBtn1Click() {
    const QListWidgetItem *selected = ListBox1->currentItem();
    chosen_ = selected && selected->isSelected() ? LocalText(selected->text()) : std::string();
    accept();
}

void TTreesForm::BitBtn2Click() {
    reject();
}

void TTreesForm::BitBtn3Click() {
    std::string answer;
    if (!prompter().input("New Tree", "Enter Treename or IP-address", answer) || answer.empty())
        return;
    RunGuarded([&] { AddTree(answer); });
}

void TTreesForm::AddTree(const std::string &answer) {
    if (!IsServerAddress(answer)) {
        Append(ToUpperAscii(answer));
        return;
    }
    const BusyCursor busy;
    ConnectionHandle connection = 0;
    const Status attached = AttachToServerByName(answer, connection);
    if (attached != status::Ok && attached != status::AlreadyAttached) {
        prompter().message("Server not found (" + HexStatus(attached) + ")");
        return;
    }
    std::string reported;
    if (GetConnectionInformation(connection, CONN_INFO_TREE_NAME, reported) != status::Ok)
        return;
    reported = reported.substr(0, std::min(reported.find('\0'), kMaxReportedTreeName));
    // Servers pad the tree name with underscores.
    reported.erase(std::remove(reported.begin(), reported.end(), '_'), reported.end());
    if (!reported.empty())
        Append(ToUpperAscii(reported));
}

void TTreesForm::Append(const std::string &treeName) {
    ListBox1->addItem(LocalText(treeName));
    const bool kept = std::any_of(kept_.begin(), kept_.end(), [&](const std::string &name) {
        return EqualsIgnoreCase(name, treeName);
    });
    if (!kept)
        kept_.push_back(treeName);
}

} // namespace tarnbeck
