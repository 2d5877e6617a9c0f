#include "ui/AnnotateDialog.h"

#include "app/PlaybackTexts.h"
#include "widgets/SwitchSlider.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrum {

namespace {

void setHint(QWidget* widget, const char* hint) {
    widget->setToolTip(hint);
    widget->setAccessibleDescription(hint);
}

} // namespace

AnnotateDialog::AnnotateDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("annotateDialog");
    setWindowTitle("Add Annotate");
    QFont font = this->font();
    font.setPixelSize(13);
    setFont(font);

    keywordLabel_ = new QLabel("Type the Key Word", this);
    keywordLabel_->setObjectName("keywordLabel");
    keywordLabel_->setAlignment(Qt::AlignCenter);
    keywordLabel_->setStyleSheet("QLabel { background-color: aqua; }");
    setHint(keywordLabel_, "Type a Key Word for Recall");
    keywordLabel_->installEventFilter(this);
    keywordEdit_ = new QLineEdit(this);
    keywordEdit_->setObjectName("keywordEdit");
    keywordEdit_->setMaxLength(19);
    keywordEdit_->setStyleSheet("QLineEdit { background-color: aqua; }");
    keywordEdit_->setAccessibleName("Key word");
    setHint(keywordEdit_, "Type a Key Word for Recall");
    keywordLabel_->setBuddy(keywordEdit_);

    secondsBeforeSwitch_ = new SwitchSlider(this);
    secondsBeforeSwitch_->setObjectName("secondsBeforeSwitch");
    secondsBeforeSwitch_->setPositionLabels("0,1,2,3,4,5,6,7,8,9,10");
    secondsBeforeSwitch_->setPositionQuietly(0);
    secondsBeforeSwitch_->setStyleSheet("background-color: yellow;");
    secondsBeforeSwitch_->slider()->setAccessibleName("Seconds before");
    setHint(secondsBeforeSwitch_, "The Amount of Seconds to Start Playback Before this Position");
    secondsBeforeLabel_ = new QLabel("Seconds Before to Start Play From", this);
    secondsBeforeLabel_->setObjectName("secondsBeforeLabel");
    secondsBeforeLabel_->setAlignment(Qt::AlignCenter);
    secondsBeforeLabel_->setStyleSheet("QLabel { background-color: yellow; }");
    setHint(secondsBeforeLabel_, "The Amount of Seconds to Start Playback Before this Position");
    secondsBeforeLabel_->installEventFilter(this);
    markLabel_ = new QLabel(this);
    markLabel_->setObjectName("markLabel");
    markLabel_->setTextFormat(Qt::PlainText);
    markLabel_->setAlignment(Qt::AlignCenter);
    connect(secondsBeforeSwitch_, &SwitchSlider::positionChanged, this, &AnnotateDialog::showMark);

    addButton_ = new QPushButton("&Add", this);
    addButton_->setObjectName("addButton");
    addButton_->setAccessibleName("Add");
    setHint(addButton_, "Add Annotation");
    addButton_->setDefault(true);
    cancelButton_ = new QPushButton("&Cancel", this);
    cancelButton_->setObjectName("cancelButton");
    cancelButton_->setAccessibleName("Cancel");
    setHint(cancelButton_, "Do not add this Annotation");
    connect(addButton_, &QPushButton::clicked, this, &AnnotateDialog::addClicked);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(keywordLabel_);
    layout->addWidget(keywordEdit_);
    layout->addWidget(secondsBeforeSwitch_);
    layout->addWidget(secondsBeforeLabel_);
    layout->addWidget(markLabel_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(addButton_);
    buttons->addWidget(cancelButton_);
    layout->addLayout(buttons);
    resize(260, 186);
    resize(sizeHint().expandedTo(size()));
}

bool AnnotateDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == keywordLabel_) {
            keywordEdit_->setFocus();
            return true;
        }
        if (watched == secondsBeforeLabel_) {
            secondsBeforeSwitch_->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AnnotateDialog::clearKeyword() {
    keywordEdit_->clear();
}

int AnnotateDialog::ask(double playSeconds) {
    playSeconds_ = playSeconds;
    showMark();
    return exec();
}

void AnnotateDialog::showMark() {
    const double marked = playSeconds_ - secondsBeforeSwitch_->position();
    markLabel_->setText("Marks the call at " + QString::fromStdString(callTimeTenthsText(marked)));
}

void AnnotateDialog::addClicked() {
    emit addRequested(keywordEdit_->text(), secondsBeforeSwitch_->position());
}

} // namespace kestrum
