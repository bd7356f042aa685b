#include "ui/query_editor_widgets.h"

#include "ui/elided_label.h"
#include "ui/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

namespace tarnbeck {

namespace {
QString local(const std::string &text) { return QString::fromLocal8Bit(text); }
std::string local(const QString &text) { return text.toLocal8Bit().toStdString(); }

struct Setting {
    explicit Setting(int &depth) : depth_(depth) { ++depth_; }
    ~Setting() { --depth_; }
    int &depth_;
};
} // namespace

std::string QueryEditorWidgets::contextText() const { return local(form_.edit3->text()); }

void QueryEditorWidgets::setContextText(const std::string &text) {
    // The context field always shows lower case.
    form_.edit3->setText(local(text).toLower());
}

std::string QueryEditorWidgets::scopeText() const { return local(form_.cbox->currentText()); }

void QueryEditorWidgets::setScopeText(const std::string &text) {
    Setting setting(setting_);
    const QSignalBlocker blocker(form_.cbox);
    const int index = form_.cbox->findText(local(text));
    if (index >= 0)
        form_.cbox->setCurrentIndex(index);
    form_.cbox->setEditText(local(text));
}

std::string QueryEditorWidgets::filterText() const { return local(form_.edit3a->text()); }

void QueryEditorWidgets::setFilterText(const std::string &text) {
    // Reported like a typed change: the engine tells a switch of queries apart itself.
    form_.edit3a->setText(local(text));
}

void QueryEditorWidgets::setQuerySelector(const std::vector<std::string> &entries, int selected) {
    const QSignalBlocker blocker(form_.ComboBox1);
    form_.ComboBox1->clear();
    for (const std::string &entry : entries)
        form_.ComboBox1->addItem(local(entry));
    form_.ComboBox1->setCurrentIndex(selected);
}

int QueryEditorWidgets::selectedQuery() const { return form_.ComboBox1->currentIndex(); }

void QueryEditorWidgets::setQueryStringLine(const std::string &text) {
    form_.Label8->setLine(local(text));
}

QuerySettings QueryEditorWidgets::settingsControls() const {
    QuerySettings settings;
    settings.addMode = form_.RadioButton1->isChecked();
    settings.applyExcludes = form_.CheckBox1->isChecked();
    settings.applyStatics = form_.CheckBox2->isChecked();
    settings.xchain = form_.xchain->isChecked();
    return settings;
}

void QueryEditorWidgets::setSettingsControls(const QuerySettings &settings) {
    Setting setting(setting_);
    (settings.addMode ? form_.RadioButton1 : form_.RadioButton2)->setChecked(true);
    // The tabs follow the boxes, so their handlers run; they see that this is not an edit.
    form_.CheckBox1->setChecked(settings.applyExcludes);
    form_.CheckBox2->setChecked(settings.applyStatics);
    form_.xchain->setChecked(settings.xchain);
}

void QueryEditorWidgets::setSaveEnabled(bool enabled) { form_.BitBtn3->setEnabled(enabled); }

void QueryEditorWidgets::setFocus() { form_.edit3a->setFocus(); }

void QueryEditorWidgets::setCaret(std::size_t position) {
    form_.edit3a->deselect();
    form_.edit3a->setCursorPosition(static_cast<int>(position));
}

} // namespace tarnbeck
