#include "ui/CodecInstructions.h"

#include <QFont>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrum {

namespace {

const char* const kInstructionLines[] = {
    "Adding the DSP TrueSpeech Codec:",
    "",
    "In Control Panel, double-click Add New Hardware.",
    "Click Next, click Next, select No and then click Next.",
    "In the Hardware Types box, select Sound, Video, and Game Controllers and ",
    "then click Next.",
    "In the Manufactures box, select DSP Group.",
    "In the Models box, select TrueSpeech(TM) Software CODEC.",
    "Click Next, and follow the instructions.",
    "",
    "",
};

} // namespace

CodecInstructions::CodecInstructions(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                          Qt::WindowCloseButtonHint),
      instructionsText_(new QPlainTextEdit(this)), closeButton_(new QPushButton("&Close Window", this)) {
    setObjectName("codecInstructions");
    setWindowTitle("Codec Activation Instructions");
    instructionsText_->setObjectName("instructionsText");
    instructionsText_->setReadOnly(true);
    instructionsText_->setAccessibleName("Codec activation instructions");
    QFont bold = instructionsText_->font();
    bold.setPointSize(10);
    bold.setBold(true);
    instructionsText_->setFont(bold);
    QStringList lines;
    for (const char* line : kInstructionLines)
        lines << QString::fromLatin1(line);
    instructionsText_->setPlainText(lines.join('\n'));
    closeButton_->setObjectName("closeButton");
    closeButton_->setAccessibleName("Close Window");
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(instructionsText_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(closeButton_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    resize(563, 227);
}

} // namespace kestrum
