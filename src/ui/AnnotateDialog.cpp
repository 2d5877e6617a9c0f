#include "ui/AnnotateDialog.h"

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
    setObjectName("AnnotateFrm");
    setWindowTitle("Add Annotate");
    QFont font = this->font();
    font.setPixelSize(13);
    setFont(font);

    KeyWordLable = new QLabel("Type the Key Word", this);
    KeyWordLable->setObjectName("KeyWordLable");
    KeyWordLable->setAlignment(Qt::AlignCenter);
    KeyWordLable->setStyleSheet("QLabel { background-color: aqua; }");
    setHint(KeyWordLable, "Type a Key Word for Recall");
    KeyWordLable->installEventFilter(this);
    KeyWordEdit = new QLineEdit(this);
    KeyWordEdit->setObjectName("KeyWordEdit");
    KeyWordEdit->setMaxLength(19);
    KeyWordEdit->setStyleSheet("QLineEdit { background-color: aqua; }");
    KeyWordEdit->setAccessibleName("Key word");
    setHint(KeyWordEdit, "Type a Key Word for Recall");
    KeyWordLable->setBuddy(KeyWordEdit);

    SecondsBeforeiSwitchSlider = new SwitchSlider(this);
    SecondsBeforeiSwitchSlider->setObjectName("SecondsBeforeiSwitchSlider");
    SecondsBeforeiSwitchSlider->setPositionLabels("0,1,2,3,4,5,6,7,8,9,10");
    SecondsBeforeiSwitchSlider->setPositionQuietly(0);
    SecondsBeforeiSwitchSlider->setStyleSheet("background-color: yellow;");
    SecondsBeforeiSwitchSlider->slider()->setAccessibleName("Seconds before");
    setHint(SecondsBeforeiSwitchSlider, "The Amount of Seconds to Start Playback Before this Position");
    SecondsBeforeLabel = new QLabel("Seconds Before to Start Play From", this);
    SecondsBeforeLabel->setObjectName("SecondsBeforeLabel");
    SecondsBeforeLabel->setAlignment(Qt::AlignCenter);
    SecondsBeforeLabel->setStyleSheet("QLabel { background-color: yellow; }");
    setHint(SecondsBeforeLabel, "The Amount of Seconds to Start Playback Before this Position");
    SecondsBeforeLabel->installEventFilter(this);

    AddBtn = new QPushButton("&Add", this);
    AddBtn->setObjectName("AddBtn");
    AddBtn->setAccessibleName("Add");
    setHint(AddBtn, "Add Annotation");
    AddBtn->setDefault(true);
    CancelBtn = new QPushButton("&Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    CancelBtn->setAccessibleName("Cancel");
    setHint(CancelBtn, "Do not add this Annotation");
    connect(AddBtn, &QPushButton::clicked, this, &AnnotateDialog::AddBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(KeyWordLable);
    layout->addWidget(KeyWordEdit);
    layout->addWidget(SecondsBeforeiSwitchSlider);
    layout->addWidget(SecondsBeforeLabel);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(AddBtn);
    buttons->addWidget(CancelBtn);
    layout->addLayout(buttons);
    resize(260, 186);
}

bool AnnotateDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == KeyWordLable) {
            KeyWordEdit->setFocus();
            return true;
        }
        if (watched == SecondsBeforeLabel) {
            SecondsBeforeiSwitchSlider->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AnnotateDialog::AddBtnClick() {
    if (addScannedWord && addScannedWord(KeyWordEdit->text(), SecondsBeforeiSwitchSlider->position()))
        accept();
}

} // namespace kestrum
