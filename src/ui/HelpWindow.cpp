#include "ui/HelpWindow.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace kestrum {

namespace {

constexpr const char* kPedalHelp =
    "<li>Middle pedal: hold to play, let go to pause (Rewind on resume applies)</li>"
    "<li>Left pedal: back by the step size; right pedal: step forward (held, again every half second)</li>";

constexpr const char* kMediaKeysHelp =
    "<li>Play, Pause, Play/Pause: as Space, even while you type in another program</li>"
    "<li>Next, Previous: step forward, back by the step size</li>"
    "<li>Stop: pause at the start</li>";

QString item(const QString& name, const QString& does) {
    return "<li>" + name.toHtmlEscaped() + ": " + does.toHtmlEscaped() + "</li>";
}

QString section(const char* heading, const QString& items) {
    return QString("<h3>%1</h3><ul>%2</ul>").arg(QString::fromLatin1(heading), items);
}

QString withoutMnemonic(QString caption) {
    caption.replace("&&", "\x01");
    caption.remove('&');
    caption.replace('\x01', '&');
    return caption.trimmed();
}

// Alt and the underlined letter of each control of the window that shows one.
QString mnemonicItems(const QWidget& window) {
    QString items;
    const auto add = [&](const QString& caption) {
        const QKeySequence key = QKeySequence::mnemonic(caption);
        if (!key.isEmpty())
            items += item(key.toString(QKeySequence::NativeText), withoutMnemonic(caption));
    };
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
        if (button->window() == &window && button->isVisibleTo(&window))
            add(button->text());
    for (const QLabel* label : window.findChildren<QLabel*>())
        if (label->window() == &window && label->buddy() != nullptr && label->isVisibleTo(&window))
            add(label->text());
    return items;
}

} // namespace

HelpWindow::HelpWindow(QWidget* owner) : QDialog(owner) {
    setObjectName("helpWindow");
    setWindowTitle("Keys and Listening Aids");
    setAccessibleName(windowTitle());
    helpText_ = new QTextBrowser(this);
    helpText_->setObjectName("helpText");
    helpText_->setAccessibleName("Keys and listening aids");
    helpText_->setAccessibleDescription(
        "The player's keys, the listening aids, the foot pedal and the media keys");
    closeButton_ = new QPushButton("&Close Window", this);
    closeButton_->setObjectName("closeButton");
    closeButton_->setAccessibleName("Close Window");
    connect(closeButton_, &QPushButton::clicked, this, &QWidget::hide);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(helpText_, 1);
    layout->addWidget(closeButton_, 0, Qt::AlignRight);
    resize(520, 560);
}

void HelpWindow::showHelp(const std::vector<KeyHelp>& keys, const QWidget& window,
                          const std::vector<const QWidget*>& aids) {
    QString keyItems;
    for (const KeyHelp& key : keys)
        keyItems += item(key.key.toString(QKeySequence::NativeText), key.does);
    QString aidItems;
    for (const QWidget* aid : aids)
        aidItems += item(aid->accessibleName(), aid->toolTip());
    helpText_->setHtml(
        section("Keys, in every window (a focused field, check box or slider keeps its own)", keyItems) +
        section("Alt and the underlined letter, from every window", mnemonicItems(window)) +
        section("Listening aids", aidItems) + section("A foot pedal", kPedalHelp) +
        section("Media keys and the desktop's media controls", kMediaKeysHelp));
    show();
    raise();
    activateWindow();
    helpText_->setFocus();
}

} // namespace kestrum
