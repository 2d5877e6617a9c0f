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

    keywordLabel = new QLabel("Type the Key Word", this);
    keywordLabel->setObjectName("keywordLabel");
    keywordLabel->setAlignment(Qt::AlignCenter);
    keywordLabel->setStyleSheet("QLabel { background-color: aqua; }");
    setHint(keywordLabel, "Type a Key Word for Recall");
    keywordLabel->installEventFilter(this);
    keywordEdit = new QLineEdit(this);
    keywordEdit->setObjectName("keywordEdit");
    keywordEdit->setMaxLength(19);
    keywordEdit->setStyleSheet("QLineEdit { background-color: aqua; }");
    keywordEdit->setAccessibleName("Key word");
    setHint(keywordEdit, "Type a Key Word for Recall");
    keywordLabel->setBuddy(keywordEdit);

    secondsBeforeSwitch = new SwitchSlider(this);
    secondsBeforeSwitch->setObjectName("secondsBeforeSwitch");
    secondsBeforeSwitch->setPositionLabels("0,1,2,3,4,5,6,7,8,9,10");
    secondsBeforeSwitch->setPositionQuietly(0);
    secondsBeforeSwitch->setStyleSheet("background-color: yellow;");
    secondsBeforeSwitch->slider()->setAccessibleName("Seconds before");
    setHint(secondsBeforeSwitch, "The Amount of Seconds to Start Playback Before this Position");
    secondsBeforeLabel = new QLabel("Seconds Before to Start Play From", this);
    secondsBeforeLabel->setObjectName("secondsBeforeLabel");
    secondsBeforeLabel->setAlignment(Qt::AlignCenter);
    secondsBeforeLabel->setStyleSheet("QLabel { background-color: yellow; }");
    setHint(secondsBeforeLabel, "The Amount of Seconds to Start Playback Before this Position");
    secondsBeforeLabel->installEventFilter(this);
    markLabel = new QLabel(this);
    markLabel->setObjectName("markLabel");
    markLabel->setTextFormat(Qt::PlainText);
    markLabel->setAlignment(Qt::AlignCenter);
    connect(secondsBeforeSwitch, &SwitchSlider::positionChanged, this, &AnnotateDialog::showMark);

    addButton = new QPushButton("&Add", this);
    addButton->setObjectName("addButton");
    addButton->setAccessibleName("Add");
    setHint(addButton, "Add Annotation");
    addButton->setDefault(true);
    cancelButton = new QPushButton("&Cancel", this);
    cancelButton->setObjectName("cancelButton");
    cancelButton->setAccessibleName("Cancel");
    setHint(cancelButton, "Do not add this Annotation");
    connect(addButton, &QPushButton::clicked, this, &AnnotateDialog::addClicked);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(keywordLabel);
    layout->addWidget(keywordEdit);
    layout->addWidget(secondsBeforeSwitch);
    layout->addWidget(secondsBeforeLabel);
    layout->addWidget(markLabel);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(addButton);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons);
    resize(260, 186);
    resize(sizeHint().expandedTo(size()));
}

bool AnnotateDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == keywordLabel) {
            keywordEdit->setFocus();
            return true;
        }
        if (watched == secondsBeforeLabel) {
            secondsBeforeSwitch->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

int AnnotateDialog::ask(double playSeconds) {
    playSeconds_ = playSeconds;
    showMark();
    return exec();
}

void AnnotateDialog::showMark() {
    const double marked = playSeconds_ - secondsBeforeSwitch->position();
    markLabel->setText("Marks the call at " + QString::fromStdString(callTimeTenthsText(marked)));
}

void AnnotateDialog::addClicked() {
    if (addScannedWord && addScannedWord(keywordEdit->text(), secondsBeforeSwitch->position()))
        accept();
}

} // namespace kestrum
